#include "game/handlers.h"

#include <iterator>

#include "game/about.h"
#include "game/controller.h"
#include "game/handler_names.h"
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
    {kHandlerNames[0], Plain<OnMainWindowCreated>},
    {kHandlerNames[1], BoardClick},
    {kHandlerNames[2], Plain<OnAboutClick>},
    {kHandlerNames[3], Plain<OnExitClick>},
    {kHandlerNames[4], Plain<OpenGame>},
    {kHandlerNames[5], Plain<SaveGame>},
    {kHandlerNames[6], Plain<NewGame>},
    {kHandlerNames[7], Plain<OnAboutWindowCreated>},
};
static_assert(std::size(kHandlers) == std::size(kHandlerNames), "one routine for every name");

}  // namespace

std::span<const runtime::HandlerEntry> HandlerTable() {
  return kHandlers;
}

void RegisterHandlers() {
  runtime::RegisterEventHandlers(HandlerTable());
}

}  // namespace game
