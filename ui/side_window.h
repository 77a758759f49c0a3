// A side window beside a window of the program: a move list by rounds with the current move
// marked, a list of choices under it (the variations of a move), a comment, lines of text, an
// evaluation graph under those and a menu bar. Its owner describes what it shows and hears what
// the player does to it. Texts are UTF-8.
//
// Every setter may be called whether the window is open or not: while it is closed they do
// nothing, so the owner need not ask first. A newly opened window is empty until the owner fills
// it. No callback runs while a fatal runtime error is being reported.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "game/analysis/analysis_text.h"
#include "runtime/windows/context_menu.h"
#include "runtime/windows/unit_types.h"

namespace ui {

// The keys the window hands to the game rather than acting on them itself (pressed without Ctrl,
// Alt or Meta; auto-repeat gives one call per repeat).
enum class SideKey : int32_t { kHome, kEnd, kLeft, kRight, kUp, kDown, kPageUp, kPageDown };

struct SideWindowCallbacks {
  // A move cell was clicked: its row (from 0) and column, 1 for red's move and 2 for black's. A
  // click on an empty cell or on the round column is not passed on.
  std::function<void(int32_t row, int32_t column)> cellClicked;
  // One of the keys above was pressed while the window had the keyboard.
  std::function<void(SideKey key)> keyPressed;
  // The graph was clicked: the index, into the values last given, of the nearest point.
  std::function<void(int32_t index)> graphClicked;
  // The player closed the window (its close box, the desktop's close key). Runs after the window
  // has gone, so SideWindowOpen() is false inside it. CloseSideWindow and the program's end do
  // not call it.
  std::function<void()> closedByUser;
  // A choice was clicked: its index into the choices last given.
  std::function<void(int32_t index)> choiceClicked;
};

class SideWindowWidget;

// Two clocks, as they read ("4:59"), which runs, and which is under its last seconds.
struct ClockFace {
  std::string red, black;
  bool redRunning = false, blackRunning = false;
  bool redLow = false, blackLow = false;
};

// The side window of one owner: opened beside a live window of the program, filled, closed; it
// closes when its owner goes.
class SideWindow {
 public:
  SideWindow();
  ~SideWindow();
  SideWindow(const SideWindow&) = delete;
  SideWindow& operator=(const SideWindow&) = delete;

  // Opens the window beside the live window `beside` with the given title and callbacks: to its
  // right when the screen has room, else to its left, else below it; over it only when the screen
  // has room nowhere else. A window already open keeps its place and contents, is raised and
  // takes the new title and callbacks. False, with nothing opened, when `beside` is not loaded or
  // is closing.
  bool Open(runtime::WindowId beside, const std::string& title, SideWindowCallbacks callbacks);
  // Closes the window without calling closedByUser; nothing when none is open. Safe inside a
  // callback.
  void Close();
  bool IsOpen() const;

  // Replaces the move list. Each row is the round's text, red's move and black's move (any may be
  // empty). Rows equal to those shown are left alone, so adding or removing moves at the end costs
  // only the rows that changed. The current move stays marked if its row still exists.
  void SetRows(const std::vector<std::array<std::string, 3>>& rows);
  // Marks the move at (row, column), column 1 or 2, and scrolls it into view; a row of -1 (or any
  // cell outside the list) marks none. Does not rebuild the list.
  void SetCurrent(int32_t row, int32_t column);
  // The lines of text under the list (a replay marker, the result, analysis lines); none hides
  // them.
  void SetNotes(const std::vector<std::string>& lines);
  // The choices under the list with a title above them, `current` marked (-1: none); none hides
  // them.
  void SetChoices(const std::string& title, const std::vector<std::string>& choices,
                  int32_t current);
  // A text under the choices (a move's comment), wrapped; empty hides it.
  void SetComment(const std::string& text);
  // The window's menu bar: each submenu of `entries` becomes a menu of the bar (entries outside any
  // submenu go into the bar itself); radio items of one submenu exclude each other. Item states
  // are asked of `state` when a menu opens and when a shortcut is pressed, so a greyed item's key
  // does nothing; shortcuts work while the side window is active. No entries removes the bar.
  void SetMenu(std::vector<runtime::MenuEntry> entries, runtime::MenuStateQuery state,
               runtime::MenuActionHandler action);
  // The evaluation graph under the notes: one value per position in pawns from red's side (drawn
  // up for red, capped at +-10, with a scale in pawns), nullopt (or NaN) for one not known yet (a
  // gap in the curve), and the position marked as current (-1 for none); `tips[i]`, when given,
  // is shown with the pointer over point i. No values hides the graph.
  void SetGraph(const std::vector<std::optional<double>>& values, int32_t current,
                std::vector<std::string> tips = {});
  // The window's title.
  void SetTitle(const std::string& title);
  // The line at the top: what the game stands at, and under it a word for the player (empty: no
  // word); `ended` shows the first line in bold.
  void SetStatus(const std::string& status, const std::string& notice, bool ended);
  // The analysis's lines as a table under the notes: line, depth, score, speed, and the moves
  // under them, wrapped only between two moves. None hides it.
  void SetAnalysis(const std::vector<analysis::LineCells>& lines);
  // The clocks above the moves, red's left; nothing hides them.
  void SetClocks(const std::optional<ClockFace>& face);

  // The widget while open (tests look at it).
  QWidget* Widget() const;

 private:
  QPointer<SideWindowWidget> window_;
};

// A rectangle and a size in screen pixels, for the placement below.
struct ScreenRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const ScreenRect&) const = default;
};
struct ScreenSize {
  int32_t width = 0;
  int32_t height = 0;
};

// Where the side window's frame goes, given the screen's free area, the frame of the window it
// stands beside and its preferred and smallest frame sizes: to the right at the preferred width
// (narrower down to the smallest if that is all the room), else the same to the left, else below
// it as wide as it, else above it; else, with no room anywhere, at the screen's right edge. The
// result always lies within `screen` when the preferred size fits it. SideWindow::Open uses it; it
// needs no display.
ScreenRect PlaceSideWindow(const ScreenRect& screen, const ScreenRect& beside, ScreenSize preferred,
                           ScreenSize smallest);

}  // namespace ui
