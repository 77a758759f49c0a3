#include "game/game_menu.h"

#include <cstdio>
#include <iterator>
#include <string_view>

#include "engine/levels.h"
#include "engine/text_fields.h"
#include "game/board_hints.h"
#include "game/game_files.h"
#include "game/labels.h"
#include "game/live_analysis.h"
#include "game/menu_items.h"
#include "game/notation_choice.h"
#include "game/record/dhtmlxq.h"
#include "game/record/pgn.h"
#include "game/units.h"
#include "game/window_game.h"
#include "runtime/system/clipboard.h"
#include "runtime/system/message_box.h"
#include "runtime/system/questions.h"

namespace game {

using namespace twoply;

namespace {

using Kind = runtime::MenuEntry::Kind;

constexpr std::string_view kLevelNames[] = {"入门", "初级", "业余", "中级",
                                            "高级", "大师", "特级", "最强"};
constexpr std::string_view kLineNames[] = {"一线", "二线", "三线"};
constexpr std::string_view kNotationNames[] = {"中文", "WXF", "ICCS"};
// The clipboard's second format for a game copied (复制棋谱); no registry names one.
constexpr std::string_view kDhtmlXqMimeType = "application/x-dhtmlxq";
constexpr std::string_view kScaleNames[] = {"1×", "1.5×", "2×"};
static_assert(std::size(kNotationNames) == std::size(kNotations));

runtime::MenuEntry Entry(Kind kind, MenuItemId id) {
  const MenuItem& item = Item(id);
  return {kind, id, std::string(item.name), std::string(item.key), std::string(item.tip)};
}

void Add(std::vector<runtime::MenuEntry>& entries, Kind kind, MenuItemId id) {
  entries.push_back(Entry(kind, id));
}

void Separator(std::vector<runtime::MenuEntry>& entries) {
  entries.push_back({Kind::kSeparator, 0, "", "", ""});
}

// A submenu of radio items named by `names`, with ids from `base` + `first`.
template <size_t N>
void Choices(std::vector<runtime::MenuEntry>& entries, MenuItemId submenu, int32_t base,
             int32_t first, const std::string_view (&names)[N], bool numbered = false) {
  entries.push_back({Kind::kSubmenu, 0, std::string(Item(submenu).name), "", ""});
  for (size_t i = 0; i < N; ++i) {
    const int32_t n = first + int32_t(i);
    std::string name(names[i]);
    if (numbered) name = std::to_string(n) + " " + name;
    entries.push_back({Kind::kRadio, base + n, std::move(name), "", ""});
  }
  entries.push_back({Kind::kEndSubmenu, 0, "", "", ""});
}

// The analysis's toggle and its lines, in the board's menu and in the record window's bar.
void AnalysisEntries(std::vector<runtime::MenuEntry>& entries) {
  Add(entries, Kind::kCheck, kAnalysisItem);
  Choices(entries, kLinesItem, kLinesItemBase, 1, kLineNames);
}

std::vector<runtime::MenuEntry> BoardMenuEntries() {
  std::vector<runtime::MenuEntry> entries;
  Add(entries, Kind::kAction, kTakeBackItem);
  Add(entries, Kind::kAction, kHintItem);
  Separator(entries);
  Choices(entries, kLevelsItem, kLevelItemBase, engine::kMinLevel, kLevelNames, true);
  Add(entries, Kind::kCheck, kRulesItem);
  Separator(entries);
  Add(entries, Kind::kAction, kCopyItem);
  Add(entries, Kind::kAction, kCopyRecordItem);
  Add(entries, Kind::kAction, kPasteItem);
  Add(entries, Kind::kAction, kSetUpItem);
  Separator(entries);
  Add(entries, Kind::kCheck, kRecordItem);
  Add(entries, Kind::kCheck, kHintsItem);
  Add(entries, Kind::kAction, kSavePgnItem);
  Add(entries, Kind::kAction, kOpenPgnItem);
  Add(entries, Kind::kCheck, kBlackItem);
  Choices(entries, kScaleItem, kScaleItemBase, 2, kScaleNames);
  Add(entries, Kind::kAction, kSettingsItem);
  Separator(entries);
  Add(entries, Kind::kAction, kResignItem);
  Add(entries, Kind::kAction, kDrawItem);
  Separator(entries);
  AnalysisEntries(entries);
  Add(entries, Kind::kAction, kEnginesItem);
  return entries;
}

void AskForHint(Session& game) {
  if (game.RequestHint() == HintAnswer::kImpossible)
    runtime::ShowMessageBox(runtime::BoxIcon::kInformation, "这个局面无法给出提示。", "提示");
}

void SetUpPosition(WindowGame& window) {
  if (!window.Windows()) return;
  if (std::optional<std::string> fen = window.Windows()->EditPosition(window.Game().Fen()))
    StartFromPosition(window, *fen, PositionSource::kEditor);
}

void Resign(Session& game) {
  if (runtime::AskYesNo("认输吗？这盘棋将记为你输。", "认输")) game.Resign();
}

void OfferDraw(Session& game) {
  switch (game.OfferDraw()) {
    case DrawAnswer::kAccepted:
    case DrawAnswer::kNotNow:
      return;
    case DrawAnswer::kTooEarly:
      runtime::ShowMessageBox(runtime::BoxIcon::kInformation,
                              "电脑不同意和棋：还没有下满 20 个回合。", "提和");
      return;
    case DrawAnswer::kNotEven:
      runtime::ShowMessageBox(runtime::BoxIcon::kInformation, "电脑不同意和棋：局面还不均衡。",
                              "提和");
      return;
  }
}

// The position shown becomes the game; the later moves stay in the record, but for those it
// cannot hold, which go once the player agrees.
void ContinueFromShown(Session& game) {
  if (!game.Viewed()) return;
  const size_t dropped = game.PliesDroppedByContinuing();
  const std::string later =
      dropped == 1 ? "后面的一步棋" : "后面 " + std::to_string((dropped + 1) / 2) + " 个回合的着法";
  if (dropped > 0 &&
      !runtime::AskYesNo("从这里继续，" + later + "将被删去。继续吗？", "从此处继续"))
    return;
  game.ContinueFromView();
}

// The game as PGN on the clipboard, and as DhtmlXQ beside it for the programs that take that.
void CopyRecord(WindowGame& window) {
  const record::GameTree tree = GameRecord(window, RecordNotation());
  runtime::CopyTextsToClipboard(record::WritePgn(tree, RecordNotation()),
                                {{std::string(kDhtmlXqMimeType), record::WriteDhtmlXq(tree)}});
}

// A position, else a game (PGN or DhtmlXQ text); a text that is neither is refused as a position.
void PasteFromClipboard(WindowGame& window) {
  const std::string text = runtime::ClipboardText();
  std::string error;
  if (!engine::Position::CheckFen(engine::Trim(text), &error) &&
      OpenGameText(window, text, Item(kPasteItem).name.data()))
    return;
  StartFromPosition(window, text, PositionSource::kClipboard);
}

// The record's node the board shows, when the record holds it.
std::optional<record::NodeId> ShownRecordNode(const Session& game) {
  const record::NodeId node = game.ShownNode();
  if (node == record::kNoNode) return std::nullopt;
  return node;
}

// A move of a variation (not of the main line) is shown.
bool InVariation(const Session& game) {
  const std::optional<record::NodeId> node = ShownRecordNode(game);
  return node && game.Record().VariationStart(*node) != record::kRootNode;
}

size_t MovesFrom(const record::GameTree& tree, record::NodeId node) {
  size_t count = 1;
  for (record::NodeId child : tree.Children(node)) count += MovesFrom(tree, child);
  return count;
}

// 删除此变, once the player agrees (it can be undone).
void RemoveVariation(Session& game) {
  const std::optional<record::NodeId> node = ShownRecordNode(game);
  if (!node) return;
  const record::GameTree& tree = game.Record();
  const record::NodeId start = tree.VariationStart(*node);
  if (start == record::kRootNode) return;
  if (!runtime::AskYesNo("删除这个变着和它后面的着法（共 " +
                             std::to_string(MovesFrom(tree, start)) +
                             " 步）吗？删除后可以用“撤销”找回。",
                         std::string(Item(kRemoveVariationItem).name)))
    return;
  game.RemoveVariation(*node);
}

// "第 2 回合红方 炮二平五" for the move at `node`, "开局" at the start.
std::string MoveTitle(const record::GameTree& tree, record::NodeId node) {
  if (node == record::kRootNode) return "开局";
  const record::GameNode& move = tree.At(node);
  return RoundText(size_t(move.ply) - 1, tree.Start().SideToMove() == engine::kBlack) + " " +
         record::WriteMove(tree.PositionAt(move.parent), move.move, RecordNotation());
}

void EditComment(WindowGame& window) {
  Session& game = window.Game();
  const std::optional<record::NodeId> node = ShownRecordNode(game);
  if (!node || !window.Windows()) return;
  const record::GameTree& tree = game.Record();
  const std::string title =
      *node == record::kRootNode ? "开局前的注释" : MoveTitle(tree, *node) + " 之后的注释";
  if (std::optional<std::string> text =
          window.Windows()->EditComment(title, tree.At(*node).comment))
    game.SetComment(*node, *text);
}

// 棋局信息: the tags as they would be saved, but for the places the writers fill in themselves.
void EditGameInfo(WindowGame& window) {
  if (!window.Windows()) return;
  Session& game = window.Game();
  record::GameTree saved = GameRecord(window, RecordNotation());
  for (const char* placeholder : {"FEN", "Format", "Variant"})
    if (saved.tags.Has(placeholder) && saved.tags.Get(placeholder).empty())
      saved.tags.Remove(placeholder);
  if (window.Windows()->EditGameInfo(saved.tags, saved.result))
    game.SetInfo(std::move(saved.tags), std::move(saved.result));
}

bool RecordShown(WindowGame& window) {
  return window.Windows() != nullptr && window.Windows()->RecordWindowShown();
}

}  // namespace

bool StartFromPosition(WindowGame& window, const std::string& fen, PositionSource source) {
  const std::optional<PositionRefusal> refused = window.Game().Paste(fen);
  if (!refused) return true;
  std::string reasons = refused->notFen;
  for (const engine::PositionProblem& problem : refused->problems) {
    if (!reasons.empty()) reasons += '\n';
    reasons += ProblemWords(problem);
  }
  const bool clipboard = source == PositionSource::kClipboard;
  const std::string text =
      std::string(clipboard ? "剪贴板里" : "这") + "不是一个有效的局面，棋盘没有改变。\n" + reasons;
  if (source == PositionSource::kCommandLine)
    std::fprintf(stderr, "xiangqi: --fen: %s\n", text.c_str());
  runtime::ShowMessageBox(runtime::BoxIcon::kWarning, text, clipboard ? "粘贴局面" : "局面");
  return false;
}

void InstallBoardMenu(WindowGame& window) {
  runtime::InstallContextMenu(
      BoardPanel, BoardMenuEntries(), [&window](int32_t id) { return MenuItemStateOf(window, id); },
      [&window](int32_t id) { ActOnMenuItem(window, id); });
  runtime::SetUnitToolTip(BoardPanel, ShortcutHelpText());
}

std::vector<runtime::MenuEntry> RecordWindowMenuEntries() {
  std::vector<runtime::MenuEntry> entries{{Kind::kSubmenu, 0, "棋局", "", ""}};
  Add(entries, Kind::kAction, kContinueItem);
  Separator(entries);
  Add(entries, Kind::kAction, kSavePgnItem);
  Add(entries, Kind::kAction, kOpenPgnItem);
  Add(entries, Kind::kAction, kRecentItem);
  Add(entries, Kind::kAction, kCopyRecordItem);
  Separator(entries);
  Add(entries, Kind::kAction, kResignItem);
  Add(entries, Kind::kAction, kDrawItem);
  Add(entries, Kind::kCheck, kResultBoxItem);
  entries.push_back({Kind::kEndSubmenu, 0, "", "", ""});
  entries.push_back({Kind::kSubmenu, 0, "编辑", "", ""});
  Add(entries, Kind::kAction, kUndoEditItem);
  Separator(entries);
  Add(entries, Kind::kAction, kPromoteItem);
  Add(entries, Kind::kAction, kRemoveVariationItem);
  Separator(entries);
  Add(entries, Kind::kAction, kCommentItem);
  Add(entries, Kind::kAction, kInfoItem);
  entries.push_back({Kind::kEndSubmenu, 0, "", "", ""});
  Choices(entries, kNotationItem, kNotationItemBase, 0, kNotationNames);
  entries.push_back({Kind::kSubmenu, 0, std::string(Item(kAnalysisItem).name), "", ""});
  AnalysisEntries(entries);
  entries.push_back({Kind::kEndSubmenu, 0, "", "", ""});
  entries.push_back({Kind::kSubmenu, 0, "帮助", "", ""});
  Add(entries, Kind::kAction, kHelpItem);
  entries.push_back({Kind::kEndSubmenu, 0, "", "", ""});
  return entries;
}

runtime::MenuItemState MenuItemStateOf(WindowGame& window, int32_t id) {
  const Session& game = window.Game();
  switch (id) {
    case kTakeBackItem:
      return {game.CanTakeBack(), false};
    case kHintItem:
      return {game.CanHint(), false};
    case kRulesItem:
      return {true, game.StandardRules()};
    case kRecordItem:
      return {window.Windows() != nullptr, RecordShown(window)};
    case kBlackItem:
      return {true, game.HumanColour() == Colour::kBlack};
    case kHintsItem:
      return {true, window.Hints().On()};
    case kResultBoxItem:
      return {true, WindowGame::ResultBox()};
    case kAnalysisItem:
      return {true, window.Analysis().On()};
    case kContinueItem:
      return {game.Viewed().has_value(), false};
    case kUndoEditItem:
      return {game.CanUndoRecordEdit(), false};
    case kPromoteItem:
    case kRemoveVariationItem:
      return {InVariation(game), false};
    case kCommentItem:
      return {window.Windows() != nullptr && ShownRecordNode(game).has_value(), false};
    case kInfoItem:
    case kEnginesItem:
    case kSetUpItem:
    case kSettingsItem:
      return {window.Windows() != nullptr, false};
    case kResignItem:
      return {game.Turn().GameOver == 0 && !game.Viewed(), false};
    case kDrawItem:
      return {game.Turn().GameOver == 0 && game.Turn().HumanToMove == 1 && !game.Thinking() &&
                  !game.Viewed(),
              false};
    default:
      break;
  }
  if (id > kScaleItemBase) return {true, id == kScaleItemBase + WindowGame::BoardScale()};
  if (id > kNotationItemBase) return {true, kNotations[id - kNotationItemBase] == RecordNotation()};
  if (id == kNotationItemBase) return {true, kNotations[0] == RecordNotation()};
  if (id > kLinesItemBase) return {true, id == kLinesItemBase + LiveAnalysis::LineCount()};
  if (id > kLevelItemBase) return {true, id == kLevelItemBase + game.Level()};
  return {true, false};
}

void ActOnMenuItem(WindowGame& window, int32_t id) {
  Session& game = window.Game();
  switch (id) {
    case kTakeBackItem:
      return game.TakeBack();
    case kHintItem:
      return AskForHint(game);
    case kRulesItem:
      return game.ChooseStandardRules(!game.StandardRules());
    case kCopyItem:
      return runtime::CopyTextToClipboard(game.Fen());
    case kCopyRecordItem:
      return CopyRecord(window);
    case kPasteItem:
      return PasteFromClipboard(window);
    case kSetUpItem:
      return SetUpPosition(window);
    case kSettingsItem:
      if (window.Windows()) window.Windows()->ShowGameSettings();
      return;
    case kResignItem:
      return Resign(game);
    case kDrawItem:
      return OfferDraw(game);
    case kRecordItem:
      if (window.Windows()) window.Windows()->ToggleRecordWindow();
      return;
    case kSavePgnItem:
      return SavePgn(window);
    case kOpenPgnItem:
      return OpenPgn(window);
    case kBlackItem:
      return window.PlayAs(game.HumanColour() == Colour::kBlack ? Colour::kRed : Colour::kBlack);
    case kAnalysisItem:
      return window.Analysis().Toggle();
    case kHintsItem:
      return window.Hints().Toggle();
    case kEnginesItem:
      if (window.Windows()) window.Windows()->ShowEngineDialog();
      return;
    case kContinueItem:
      return ContinueFromShown(game);
    case kRecentItem:
      return OpenRecentGame(window);
    case kUndoEditItem:
      return game.UndoRecordEdit();
    case kPromoteItem:
      if (std::optional<record::NodeId> node = ShownRecordNode(game)) game.PromoteToMainLine(*node);
      return;
    case kRemoveVariationItem:
      return RemoveVariation(game);
    case kCommentItem:
      return EditComment(window);
    case kInfoItem:
      return EditGameInfo(window);
    case kResultBoxItem:
      return window.ChooseResultBox(!WindowGame::ResultBox());
    case kHelpItem:
      if (window.Windows()) window.Windows()->ShowHelp();
      return;
    default:
      break;
  }
  if (id > kScaleItemBase) {
    window.ChooseBoardScale(id - kScaleItemBase);
  } else if (id >= kNotationItemBase) {
    ChooseRecordNotation(id - kNotationItemBase);  // the record window writes its moves anew
  } else if (id > kLinesItemBase) {
    window.Analysis().ChooseLineCount(id - kLinesItemBase);
  } else if (id > kLevelItemBase) {
    window.ChooseLevel(id - kLevelItemBase);
  }
}

std::string ShortcutHelpText() {
  std::string text = "右键单击棋盘打开菜单：";
  for (const MenuItem& item : kMenuItems) {
    if (item.english.empty()) continue;  // the record window's own items
    text.append("\n").append(item.name);
    if (!item.range.empty()) text.append(" ").append(item.range);
    if (!item.key.empty()) text.append("  ").append(item.key);
  }
  return text;
}

std::string KeysHelpText() {
  std::string text;
  for (const MenuItem& item : kMenuItems) {
    if (item.english.empty()) continue;
    std::string name(item.name);
    if (!item.range.empty()) name.append(" ").append(item.range);
    text.append(item.key.empty() ? std::string() : std::string(item.key)).append("\t");
    text.append(name).append("\t").append(item.english).append("\n");
  }
  return text;
}

std::string HelpText(const std::string& recentFolder) {
  std::string text =
      "# 使用说明\n\n"
      "## 下棋\n\n"
      "先点自己的一个棋子，再点它要去的点；电脑应着之后又轮到你。你的棋子总在下方（执黑时也是）。"
      "主窗口的按钮开新局、保存和读取一个局面、显示关于窗口。Esc 或关闭窗口就退出程序，"
      "这盘棋会自动留在「最近的对局」里。右键单击棋盘打开菜单；棋谱窗口（Ctrl+L）有同样的选项，"
      "还有回看、分析和分数曲线。\n\n"
      "## 菜单和按键\n\n"
      "| 菜单 | 按键 | 作用 |\n|---|---|---|\n";
  for (const MenuItem& item : kMenuItems) {
    if (item.tip.empty()) continue;
    std::string name(item.name);
    if (!item.range.empty()) name.append(" ").append(item.range);
    text.append("| ").append(name).append(" | ").append(item.key).append(" | ");
    text.append(item.tip).append(" |\n");
  }
  text +=
      "\n在棋谱窗口里：Home 回到开局，← → 前后一步，↑ ↓ 前后一个回合，PageUp PageDown "
      "前后十个回合，End 回到对局；点一步着法或曲线上的一点就看那个局面。回看时轮到你走的局面"
      "可以走子：走的是棋谱里的那步就接着回看，走别的就成了新的变着，对局在变着里接着下。"
      "◇ 标出旁边有变着的一步，※ 标出有注释的一步；变着列在着法下面，点一下就看那个变着。\n\n"
      "## 难度\n\n";
  for (int32_t level = engine::kMinLevel; level <= engine::kMaxLevel; ++level) {
    text.append("- ").append(std::to_string(level)).append(" ");
    text.append(kLevelNames[level - engine::kMinLevel]).append("：");
    if (engine::PlayedByTwoPlySearch(level))
      text.append("程序自己的搜索，看 ")
          .append(std::to_string(engine::TwoPlyDepth(level)))
          .append(" 步")
          .append(level == kDefaultLevel ? "（默认）" : "");
    else
      text.append(level < engine::kMaxLevel ? "完整规则的引擎，难度越高想得越深"
                                            : "完整规则的引擎的全部棋力");
    text.append("\n");
  }
  text +=
      "\n对局设置里可以给双方一个棋钟，引擎按棋钟安排用时；用完时间的一方输棋（超时）。\n\n"
      "## 文件\n\n"
      "- **保存棋局 / 读取棋局**（主窗口的按钮）：眼前的一个局面。\n"
      "- **保存棋谱… / 打开棋谱…**：整盘棋，连同变着、注释和对局信息；PGN 或 XQF 文件（"
      "各种版本的 XQF，加密的也能打开），也能打开 DhtmlXQ、XBoard 的棋谱、GB18030 编码的"
      "棋谱和一个文件里的多盘棋（先列出来，可以筛选）。PGN 的注释里不能有 }，存成全角的 ｝。"
      "在终端里 `xiangqi 棋谱.pgn` 或 `xiangqi 棋谱.xqf` 直接打开。\n"
      "- **最近的对局**：最近 50 盘，自动留在 `" +
      recentFolder +
      "`。\n"
      "- 选择（难度、执黑、窗口和引擎）记在 `~/.config/xiangqi/xiangqi.ini`。\n\n"
      "## 命令行\n\n"
      "`xiangqi --help` 列出程序的选项（难度、执黑、局面、外部引擎）。`xiangqi-cli` "
      "在终端里下棋、分析局面、检查和转换棋谱，也可以作为 UCI/UCCI 引擎给别的象棋程序用。\n";
  return text;
}

}  // namespace game
