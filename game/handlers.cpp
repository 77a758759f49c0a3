#include "game/handlers.h"

#include "game/about.h"
#include "game/controller.h"
#include "game/record_file.h"

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

std::span<const runtime::HandlerEntry> HandlerTable() {
  return kHandlers;
}

void RegisterHandlers() {
  runtime::RegisterEventHandlers(HandlerTable());
}

}  // namespace game
