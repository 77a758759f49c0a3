#include "game/handlers.h"

#include "game/board.h"

namespace game {

namespace {

int32_t Argument(std::span<const int32_t> args, size_t i) {
  return i < args.size() ? args[i] : 0;
}

// Handlers without arguments and without a result.
template <void (*Routine)()>
runtime::ValueRecord Plain(std::span<const int32_t>) {
  Routine();
  return {};
}

runtime::ValueRecord BoardClick(std::span<const int32_t> args) {
  OnBoardClick(Argument(args, 0), Argument(args, 1));
  return {};
}

constexpr runtime::HandlerEntry kHandlers[] = {
    {"OnMainWindowCreated", Plain<OnMainWindowCreated>},
    {"OnBoardClick", BoardClick},
    {"OnAboutClick", Plain<OnAboutClick>},
    {"OnExitClick", Plain<OnExitClick>},
    {"OpenGame", Plain<OpenGame>},
    {"SaveGame", Plain<SaveGame>},
    {"NewGame", Plain<NewGame>},
    {"OnAboutWindowCreated", Plain<OnAboutWindowCreated>},
};

}  // namespace

// The bodies arrive with the game controller and the record file; until then the windows come up
// and every bound event reaches its routine, which does nothing yet.
void OnMainWindowCreated() {}
void OnBoardClick(int32_t x, int32_t y) {
  (void)x;
  (void)y;
}
void OnAboutClick() {}
void OnExitClick() {}
void OpenGame() {}
void SaveGame() {}
void NewGame() {}
void OnAboutWindowCreated() {}

void CreateGlobals() {
  Board = MakeEmptyBoard();
  SearchBoard = MakeEmptyBoard();
}

void ReleaseGlobals() {
  Board = BoardArray{};
  SearchBoard = BoardArray{};
}

std::span<const runtime::HandlerEntry> HandlerTable() {
  return kHandlers;
}

void RegisterHandlers() {
  runtime::RegisterEventHandlers(HandlerTable());
}

}  // namespace game
