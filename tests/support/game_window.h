// The game's main window on the offscreen platform with the game's own handlers: start and stop,
// clicks as a person makes them, the labels' texts, and the board as the sprite files say it
// should look.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "game/twoply/board.h"
#include "runtime/pictures/surface.h"
#include "runtime/system/file_dialog.h"
#include "runtime/windows/unit_ref.h"

class QWidget;

namespace game {
class MainWindowHost;
class Session;
class WindowGame;
}  // namespace game

namespace testing_support {

// The host of the main window's game, as the program makes it (with the record window and the
// engines dialog); StartGame gives it a fresh setup.
game::MainWindowHost& Host();
// The main window's game and its Session; the main window must be open.
game::WindowGame& Window();
game::Session& Game();

// The runtime, the game's globals and the main window, as the entry routine makes them, with no
// choice given for this run.
void StartGame();
// The program run again: the windows gone and made anew, the remembered settings kept (StartGame
// begins with none).
void RestartGameKeepingSettings();
// Every window destroyed and let go.
void StopGame();
// Runs posted events, deferred deletes included.
void SettleEvents();
// Runs the event loop until `done` holds (a search on a worker thread, an engine's answer), at
// most 30 s; whether it holds.
bool WaitFor(const std::function<bool()>& done);

// A left-button press and release at panel pixel (x, y) of the board.
void PressBoard(int32_t x, int32_t y);
// Presses the board at the middle of a cell.
void PressSquare(int32_t col, int32_t row);
// A click on a button of the main window, as the mouse makes it.
void ClickButton(const runtime::UnitRef& button);

// A label's caption in UTF-8.
std::string Caption(const runtime::UnitRef& label);

// A copy of a panel's pixels.
runtime::Surface PanelPixels(const runtime::UnitRef& panel);
// The board as it must look: the clean board with the sprite of every piece of `board` at its
// cell's top-left corner, `highlighted` showing the highlight sprite (decoded from the files in
// assets/sprites, not from the program's copies).
runtime::Surface ExpectedBoard(const twoply::BoardArray& board,
                               std::optional<twoply::Square> highlighted = {});
// The first differing pixel of two surfaces as "(x, y): expected E, got G", or "" when equal.
std::string FirstDifference(const runtime::Surface& expected, const runtime::Surface& actual);

// The next file dialogs answer with these paths in turn (nothing: cancelled) and record what
// they were asked.
void AnswerDialogs(std::vector<std::optional<std::string>> answers);
const std::vector<runtime::FileDialogRequest>& DialogRequests();

// Message boxes shown since the last call, as "caption|text".
std::vector<std::string> TakeMessageBoxes();

// The visible top-level widget of that object name, or null.
QWidget* TopLevel(const char* objectName);
// Runs `drive` on the modal dialog `objectName` once it is up, while `open` shows it; whether it
// was driven.
bool DriveDialog(const char* objectName, const std::function<void(QWidget& dialog)>& drive,
                 const std::function<void()>& open);

}  // namespace testing_support
