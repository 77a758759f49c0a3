#include "game/handlers.h"

#include <iterator>

#include "assets/handler_names.h"
#include "game/about.h"
#include "game/controller.h"
#include "game/record_file.h"
#include "game/window_host.h"

namespace game {

namespace {

// The one pointer: the program's host of the main window's game.
MainWindowHost* host = nullptr;

int32_t Argument(std::span<const int32_t> args, size_t i) {
  return i < args.size() ? args[i] : 0;
}

// Handlers without arguments and without a result.
template <void (*Routine)()>
runtime::ValueRecord Plain(std::span<const int32_t>) {
  Routine();
  return {};
}

// Handlers of the main window's game, which do nothing while there is none.
template <void (*Routine)(WindowGame&)>
runtime::ValueRecord OnGame(std::span<const int32_t>) {
  if (WindowGame* game = host != nullptr ? host->Game() : nullptr) Routine(*game);
  return {};
}

runtime::ValueRecord MainWindowCreated(std::span<const int32_t>) {
  if (host != nullptr) OnMainWindowCreated(*host);
  return {};
}

runtime::ValueRecord BoardClick(std::span<const int32_t> args) {
  if (WindowGame* game = host != nullptr ? host->Game() : nullptr)
    OnBoardClick(*game, Argument(args, 0), Argument(args, 1));
  return {};
}

constexpr runtime::HandlerEntry kHandlers[] = {
    {template_bindings::kHandlerNames[0], MainWindowCreated},
    {template_bindings::kHandlerNames[1], BoardClick},
    {template_bindings::kHandlerNames[2], Plain<OnAboutClick>},
    {template_bindings::kHandlerNames[3], Plain<OnExitClick>},
    {template_bindings::kHandlerNames[4], OnGame<OpenGame>},
    {template_bindings::kHandlerNames[5], OnGame<SaveGame>},
    {template_bindings::kHandlerNames[6], OnGame<NewGame>},
    {template_bindings::kHandlerNames[7], Plain<OnAboutWindowCreated>},
};
static_assert(std::size(kHandlers) == std::size(template_bindings::kHandlerNames),
              "one routine for every name");

}  // namespace

std::span<const runtime::HandlerEntry> HandlerTable() {
  return kHandlers;
}

void RegisterHandlers(MainWindowHost* mainWindowHost) {
  host = mainWindowHost;
  runtime::RegisterEventHandlers(HandlerTable());
}

}  // namespace game
