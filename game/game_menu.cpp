#include "game/game_menu.h"

#include <cctype>
#include <string_view>

#include "game/board_drawing.h"
#include "game/computer_player.h"
#include "game/controller.h"
#include "game/hint.h"
#include "game/notation.h"
#include "game/take_back.h"
#include "game/units.h"
#include "runtime/system/clipboard.h"
#include "runtime/system/message_box.h"
#include "runtime/text_codec.h"
#include "runtime/windows/context_menu.h"
#include "runtime/windows/properties.h"

namespace game {

namespace {

using Kind = runtime::MenuEntry::Kind;

enum ItemId : int32_t {
  kTakeBackItem = 1,
  kHintItem,
  kRulesItem,
  kCopyItem,
  kPasteItem,
  kLevelItemBase = 100,  // 101..108
};

constexpr std::string_view kLevelNames[] = {"入门", "初级", "业余", "中级",
                                            "高级", "大师", "特级", "最强"};

std::vector<runtime::MenuEntry> MenuEntries() {
  std::vector<runtime::MenuEntry> entries{
      {Kind::kAction, kTakeBackItem, "悔棋", "Ctrl+Z"},
      {Kind::kAction, kHintItem, "提示", "Ctrl+H"},
      {Kind::kSeparator, 0, "", ""},
      {Kind::kSubmenu, 0, "难度", ""},
  };
  for (int32_t n = kMinLevel; n <= kMaxLevel; ++n) {
    std::string name(1, static_cast<char>('0' + n));
    name.append(" ").append(kLevelNames[n - 1]);
    entries.push_back({Kind::kRadio, kLevelItemBase + n, std::move(name), ""});
  }
  entries.push_back({Kind::kEndSubmenu, 0, "", ""});
  entries.push_back({Kind::kCheck, kRulesItem, "标准规则", ""});
  entries.push_back({Kind::kSeparator, 0, "", ""});
  entries.push_back({Kind::kAction, kCopyItem, "复制局面", "Ctrl+C"});
  entries.push_back({Kind::kAction, kPasteItem, "粘贴局面", "Ctrl+V"});
  return entries;
}

runtime::MenuItemState ItemState(int32_t id) {
  switch (id) {
    case kTakeBackItem:
      return {CanTakeBack(), false};
    case kHintItem:
      return {CanHint(), false};
    case kRulesItem:
      return {true, StandardRules()};
    default:
      return {true, id == kLevelItemBase + Level()};
  }
}

void Act(int32_t id) {
  switch (id) {
    case kTakeBackItem:
      TakeBack();
      return;
    case kHintItem:
      RequestHint();
      return;
    case kRulesItem:
      ChooseStandardRules(!StandardRules());
      return;
    case kCopyItem:
      CopyPosition();
      return;
    case kPasteItem:
      PastePosition();
      return;
    default:
      ChooseLevel(id - kLevelItemBase);
      return;
  }
}

void SetCaption(const UnitRef& label, std::string_view utf8) {
  runtime::SetTextProperty(label, prop::kCaption, runtime::Text(runtime::Gb(utf8)));
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

void RefusePaste(const std::string& reason) {
  runtime::ShowMessageBox(runtime::BoxIcon::kWarning,
                          "剪贴板里不是一个有效的局面，棋盘没有改变。\n" + reason, "粘贴局面");
}

}  // namespace

void InstallGameMenu() {
  LoadRememberedChoices();
  runtime::InstallContextMenu(BoardPanel, MenuEntries(), ItemState, Act);
  runtime::SetUnitToolTip(BoardPanel, ShortcutHelpText());
  // The Computer's search ends with the window, however the window goes.
  runtime::CallWhenWindowGoes(MainWindow, [] {
    StopThinking();
    ForgetHint();
  });
}

void CopyPosition() {
  runtime::CopyTextToClipboard(FormatFen(Board, HumanToMove == 1 ? Human : Computer) +
                               " - - 0 1");
}

void PastePosition() {
  const std::string clip = runtime::ClipboardText();
  const std::string_view text = Trimmed(clip);
  std::string error;
  std::optional<FenPosition> parsed = ParseFen(text, error);
  if (!parsed) return RefusePaste(error);
  // The game's reading of the text, and the full rules' test that the position can occur.
  if (!engine::Position::FromFen(text, &error)) return RefusePaste(error);

  DropGameLine();
  Board = parsed->board;
  GameOver = 0;
  HumanToMove = 1;
  PieceSelected = 0;
  SelectedSquare = Square{0, 0};
  StepCount = 0;
  SetCaption(StatusLabel, "");
  SetCaption(StepLabel, "步数:");
  SetCaption(TimeLabel, "时间");
  RedrawBoard();
  if (parsed->side == Computer) {
    ComputerTurn();
    return;
  }
  JudgeStandardRules();
}

void DropGameLine() {
  StopThinking();
  ForgetHint();
  ForgetTakeBacks();
  ForgetEngineMemory();
}

void BoardReplaced() {
  const bool wasThinking = StopThinking();
  ForgetHint();
  ForgetTakeBacks();
  if (wasThinking) {
    HumanToMove = 1;
    ShowTurnText();
  }
}

std::string ShortcutHelpText() {
  return "右键单击棋盘打开菜单：\n"
         "悔棋  Ctrl+Z\n"
         "提示  Ctrl+H\n"
         "难度 1-8、标准规则\n"
         "复制局面  Ctrl+C\n"
         "粘贴局面  Ctrl+V";
}

}  // namespace game
