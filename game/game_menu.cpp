#include "game/game_menu.h"

#include <string_view>

#include "engine/levels.h"
#include "game/analysis.h"
#include "game/board_keys.h"
#include "game/engine_dialog.h"
#include "game/record_window.h"
#include "game/units.h"
#include "game/window_session.h"
#include "runtime/system/clipboard.h"
#include "runtime/system/message_box.h"
#include "runtime/windows/context_menu.h"

namespace game {

using namespace twoply;

namespace {

using Kind = runtime::MenuEntry::Kind;

enum ItemId : int32_t {
  kTakeBackItem = 1,
  kHintItem,
  kRulesItem,
  kCopyItem,
  kPasteItem,
  kRecordItem,
  kSavePgnItem,
  kOpenPgnItem,
  kBlackItem,
  kAnalysisItem,
  kEnginesItem,
  kLevelItemBase = 100,  // 101..108
  kLinesItemBase = 200,  // 201..203
};

constexpr std::string_view kLevelNames[] = {"入门", "初级", "业余", "中级",
                                            "高级", "大师", "特级", "最强"};
constexpr const char* kLineNames[] = {"一线", "二线", "三线"};

// The analysis's toggle and its lines, in the board's menu and in the record window's bar.
std::vector<runtime::MenuEntry> AnalysisEntries() {
  std::vector<runtime::MenuEntry> entries{{Kind::kCheck, kAnalysisItem, "分析", "Ctrl+A"},
                                          {Kind::kSubmenu, 0, "多线", ""}};
  for (int32_t n = 1; n <= 3; ++n)
    entries.push_back({Kind::kRadio, kLinesItemBase + n, kLineNames[n - 1], ""});
  entries.push_back({Kind::kEndSubmenu, 0, "", ""});
  return entries;
}

std::vector<runtime::MenuEntry> MenuEntries() {
  std::vector<runtime::MenuEntry> entries{
      {Kind::kAction, kTakeBackItem, "悔棋", "Ctrl+Z"},
      {Kind::kAction, kHintItem, "提示", "Ctrl+H"},
      {Kind::kSeparator, 0, "", ""},
      {Kind::kSubmenu, 0, "难度", ""},
  };
  for (int32_t n = engine::kMinLevel; n <= engine::kMaxLevel; ++n) {
    std::string name(1, static_cast<char>('0' + n));
    name.append(" ").append(kLevelNames[n - 1]);
    entries.push_back({Kind::kRadio, kLevelItemBase + n, std::move(name), ""});
  }
  entries.push_back({Kind::kEndSubmenu, 0, "", ""});
  entries.push_back({Kind::kCheck, kRulesItem, "标准规则", ""});
  entries.push_back({Kind::kSeparator, 0, "", ""});
  entries.push_back({Kind::kAction, kCopyItem, "复制局面", "Ctrl+C"});
  entries.push_back({Kind::kAction, kPasteItem, "粘贴局面", "Ctrl+V"});
  entries.push_back({Kind::kSeparator, 0, "", ""});
  entries.push_back({Kind::kCheck, kRecordItem, "棋谱", "Ctrl+L"});
  entries.push_back({Kind::kAction, kSavePgnItem, "保存棋谱…", "Ctrl+S"});
  entries.push_back({Kind::kAction, kOpenPgnItem, "打开棋谱…", "Ctrl+O"});
  entries.push_back({Kind::kCheck, kBlackItem, "执黑", ""});
  entries.push_back({Kind::kSeparator, 0, "", ""});
  for (runtime::MenuEntry& entry : AnalysisEntries()) entries.push_back(std::move(entry));
  entries.push_back({Kind::kAction, kEnginesItem, "引擎…", ""});
  return entries;
}

runtime::MenuItemState ItemState(int32_t id) {
  switch (id) {
    case kTakeBackItem:
      return {TheGame().CanTakeBack(), false};
    case kHintItem:
      return {TheGame().CanHint(), false};
    case kRulesItem:
      return {true, TheGame().StandardRules()};
    case kRecordItem:
      return {true, RecordWindowShown()};
    case kBlackItem:
      return {true, TheGame().HumanColour() == Colour::kBlack};
    case kAnalysisItem:
      return {true, AnalysisOn()};
    case kCopyItem:
    case kEnginesItem:
    case kPasteItem:
    case kSavePgnItem:
    case kOpenPgnItem:
      return {true, false};
    default:
      if (id > kLinesItemBase) return {true, id == kLinesItemBase + AnalysisLineCount()};
      return {true, id == kLevelItemBase + TheGame().Level()};
  }
}

void AskForHint() {
  if (TheGame().RequestHint() == HintAnswer::kImpossible)
    runtime::ShowMessageBox(runtime::BoxIcon::kInformation, "这个局面无法给出提示。", "提示");
}

void Act(int32_t id) {
  switch (id) {
    case kTakeBackItem:
      TheGame().TakeBack();
      return;
    case kHintItem:
      AskForHint();
      return;
    case kRulesItem:
      TheGame().ChooseStandardRules(!TheGame().StandardRules());
      return;
    case kCopyItem:
      CopyPosition();
      return;
    case kPasteItem:
      PastePosition();
      return;
    case kRecordItem:
      ToggleRecordWindow();
      return;
    case kSavePgnItem:
      SavePgn();
      return;
    case kOpenPgnItem:
      OpenPgn();
      return;
    case kBlackItem:
      TheGame().PlayAs(TheGame().HumanColour() == Colour::kBlack ? Colour::kRed : Colour::kBlack);
      return;
    case kAnalysisItem:
      ToggleAnalysis();
      return;
    case kEnginesItem:
      ShowEngineDialog();
      return;
    default:
      if (id > kLinesItemBase)
        ChooseAnalysisLineCount(id - kLinesItemBase);
      else
        TheGame().ChooseLevel(id - kLevelItemBase);
      return;
  }
}

void RefusePaste(const std::string& reason) {
  runtime::ShowMessageBox(runtime::BoxIcon::kWarning,
                          "剪贴板里不是一个有效的局面，棋盘没有改变。\n" + reason, "粘贴局面");
}

}  // namespace

void InstallGameMenu() {
  runtime::InstallContextMenu(BoardPanel, MenuEntries(), ItemState, Act);
  runtime::SetUnitToolTip(BoardPanel, ShortcutHelpText());
  std::vector<runtime::MenuEntry> analysis{{Kind::kSubmenu, 0, "分析", ""}};
  for (runtime::MenuEntry& entry : AnalysisEntries()) analysis.push_back(std::move(entry));
  analysis.push_back({Kind::kEndSubmenu, 0, "", ""});
  SetRecordWindowMenu({std::move(analysis), ItemState, Act});
}

void CopyPosition() {
  runtime::CopyTextToClipboard(TheGame().Fen());
}

void PastePosition() {
  if (auto error = TheGame().Paste(runtime::ClipboardText())) RefusePaste(*error);
}

std::string ShortcutHelpText() {
  std::string text = "右键单击棋盘打开菜单：";
  for (const BoardKey& key : kBoardKeys) {
    text += '\n';
    text += key.name;
    if (!key.key.empty()) text.append("  ").append(key.key);
  }
  return text;
}

}  // namespace game
