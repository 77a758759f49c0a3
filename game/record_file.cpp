#include "game/record_file.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "game/game_files.h"
#include "game/twoply/position_text.h"
#include "game/units.h"
#include "game/window_game.h"
#include "runtime/array.h"
#include "runtime/commands.h"
#include "runtime/lifecycle.h"
#include "runtime/text_codec.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"
#include "runtime/windows/window_manager.h"

namespace game {

using namespace twoply;

namespace {

// The dialog set up the same way for both buttons: kind and title, both options on.
bool AskForFile(int32_t kind, std::string_view gbTitle) {
  runtime::SetIntegerProperty(FileDialog, prop::kDialogKind, kind);
  runtime::SetTextProperty(FileDialog, prop::kDialogTitle, runtime::Text(gbTitle));
  runtime::SetLogicProperty(FileDialog, prop::kFileMustExist, true);
  runtime::SetLogicProperty(FileDialog, prop::kConfirmOverwrite, true);
  return runtime::OpenDialog(FileDialog);
}

runtime::ByteSet Concatenated(const runtime::ByteSet& a, const runtime::ByteSet& b) {
  std::vector<uint8_t> bytes(a.Bytes().begin(), a.Bytes().end());
  bytes.insert(bytes.end(), b.Bytes().begin(), b.Bytes().end());
  return runtime::ByteSet(bytes);
}

// The 90 codes of the board, row by row, one byte each.
runtime::ByteSet RecordBody(const BoardArray& board) {
  runtime::ByteSet body;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col)
      body = Concatenated(body, runtime::ToBytes(runtime::MakeByte(board(row, col))));
  return body;
}

// A save that failed says so, with the system's reason; the file is left as it was.
void ReportSaveFailure() {
  std::string text = runtime::Gb("棋局没有保存。");
  runtime::Text reason = runtime::LastFileError();
  if (!reason.Empty()) {
    text += '\n';
    text += reason.View();
  }
  runtime::MessageBox(runtime::Text(text), runtime::Text(runtime::Gb("保存棋局")),
                      runtime::kIconWarning);
}

// An open that failed says why; Board and the screen are as they were.
void ReportOpenFailure(const std::string& gbReason) {
  std::string text = runtime::Gb("棋局没有打开。");
  if (!gbReason.empty()) {
    text += '\n';
    text += gbReason;
  }
  runtime::MessageBox(runtime::Text(text), runtime::Text(runtime::Gb("读取棋局")),
                      runtime::kIconWarning);
}

// The first 8 bytes as a text (up to a zero byte) equal to the header.
bool HasRecordHeader(const runtime::ByteSet& data) {
  runtime::ValueRecord got = runtime::BytesGet(runtime::BytesLeft(data, 8), runtime::kGetText);
  runtime::Text header = runtime::Text::Adopt(runtime::PointerOf<char>(got));
  return header.View() == runtime::Gb("象棋棋局");
}

// Byte k of the body for k = 1..N; only the first 90 are ever used, so a long file costs no more.
runtime::Array<uint8_t> RecordCodes(const runtime::ByteSet& body, int32_t n) {
  int32_t kept = n < kRows * kCols ? n : kRows * kCols;
  runtime::Array<uint8_t> codes{kept};
  for (int32_t k = 1; k <= kept; ++k)
    codes[k] = static_cast<uint8_t>(
        runtime::LowInteger(runtime::BytesGet(runtime::BytesMid(body, k, 1), runtime::kGetByte)));
  return codes;
}

// The runtime works in the program's own folder, so a relative name is completed from the folder
// the program was started from.
std::string StartPath(const char* path) {
  std::string name(path);
  const std::string folder = runtime::StartingFolder();
  if (!name.empty() && name.front() != '/' && !folder.empty()) name = folder + "/" + name;
  return name;
}

}  // namespace

void SaveGame(WindowGame& window) {
  if (!AskForFile(kDialogSave, runtime::Gb("保存棋局"))) return;
  // A record holds no side to move: while the Computer thinks, the position before the Human's
  // move is the one with the Human to move.
  runtime::ByteSet body = RecordBody(window.Game().RecordBoard());
  runtime::ByteSet header = runtime::ToBytes(runtime::Text(runtime::Gb("象棋棋局")).Argument());
  runtime::Text name = runtime::GetTextProperty(FileDialog, prop::kDialogFileName);
  if (!runtime::WriteFile(name, {&header, &body})) ReportSaveFailure();
}

void OpenGame(WindowGame& window) {
  if (!AskForFile(kDialogOpen, runtime::Gb("打开象棋棋局"))) return;
  // A file that is not a usable record is ignored here without a word, as the game always has;
  // only a record named at start, where nothing else would tell, says why.
  OpenRecord(window.Game(), runtime::GetTextProperty(FileDialog, prop::kDialogFileName));
}

bool OpenRecord(Session& game, const runtime::Text& gbName, std::string* whyNot) {
  std::string ignored;
  std::string& reason = whyNot != nullptr ? *whyNot : ignored;
  runtime::ByteSet data = runtime::ReadFile(gbName);
  if (runtime::Text failure = runtime::LastFileError(); !failure.Empty()) {
    reason = failure.View();
    return false;
  }
  reason = runtime::Gb("这不是象棋棋局文件。");
  if (runtime::BytesLength(data) < 8) return false;
  if (!HasRecordHeader(data)) return false;
  runtime::ByteSet body = runtime::BytesMid(data, 9, runtime::BytesLength(data) - 8);
  int32_t n = runtime::BytesLength(body);
  if (n <= 0) return false;
  runtime::Array<uint8_t> codes = RecordCodes(body, n);
  // A short body or an unknown code is refused here, by the codec xiangqi-cli reads records with:
  // either would leave Board half-filled or carry a code no table of the engine has.
  std::string error;
  auto board = ParseRecordBody(
      std::span(reinterpret_cast<const uint8_t*>(runtime::ArrayElements(codes.Block())),
                size_t(codes.Count())),
      error);
  if (!board) {
    reason = runtime::Gb(n < kRows * kCols ? "棋局不完整：不足 90 个棋位。"
                                           : "棋局中有未知的棋子代码。");
    return false;
  }
  game.OpenBoard(*board);
  reason.clear();
  return true;
}

bool OpenRecordAtStart(WindowGame& window, const char* path) {
  // Opening draws on the main window; before it exists there is nothing to open into.
  if (path == nullptr || runtime::LiveWindow(kMainWindowId) == nullptr) return false;
  const std::string name = StartPath(path);
  if (IsGameFileName(name)) {
    std::string whyNot;
    if (OpenPgnFile(window, name, &whyNot)) return true;
    std::fprintf(stderr, "xiangqi: %s: 棋谱没有打开：%s\n", name.c_str(), whyNot.c_str());
    return false;
  }
  auto gbName = runtime::Utf8ToGb(name);
  std::string whyNot;
  if (gbName && !gbName->empty() && OpenRecord(window.Game(), runtime::Text(*gbName), &whyNot))
    return true;
  if (!gbName) whyNot = runtime::Gb("文件名无法转换。");
  if (gbName && gbName->empty()) whyNot = runtime::Gb("没有文件名。");
  std::fprintf(stderr, "xiangqi: %s: %s\n", name.c_str(),
               runtime::GbToUtf8Lossy(runtime::Gb("棋局没有打开：") + whyNot).c_str());
  ReportOpenFailure(whyNot);
  return false;
}

}  // namespace game
