// The main window's game: one object owns the Session and the parts around it (the score graph,
// the analysis, an outside opponent, the clock's ticks, the extra windows) and wires them. The
// Session is shown on the window's panels and labels, its searches run on the runtime's background
// jobs and its choices are kept in the settings file. It is made as the main window is created and
// ends with it; the template's handlers find it through the one MainWindowHost.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "game/labels.h"
#include "game/play/session.h"
#include "game/record/game_list.h"
#include "game/record/recent_games.h"

namespace game {

class WindowGame;
class ScoreGraph;
class LiveAnalysis;
class OutsideOpponent;
class BoardHints;

// The windows the program adds beside the main window (ui/): the record window, the engines
// dialog and the small dialogs of the record. The menus and the analysis reach them through this.
class ExtraWindows {
 public:
  virtual ~ExtraWindows() = default;
  virtual void ToggleRecordWindow() = 0;
  virtual bool RecordWindowShown() const = 0;
  virtual void ShowEngineDialog() = 0;
  // 对局设置…: the level, the colour, the rules and the clock, put to work when confirmed.
  virtual void ShowGameSettings() = 0;
  // 摆棋…: a position set up from `fen` (red below), as a FEN that can stand in a game; nothing
  // when the player cancelled.
  virtual std::optional<std::string> EditPosition(const std::string& fen) = 0;
  // A file of several games: the list of them to choose one from (`caption` its title); nothing
  // when the player cancelled.
  virtual std::optional<size_t> ChooseGame(const record::GameList& list,
                                           const std::string& caption) = 0;
  // 编辑注释…: the comment of a move (`title` names it) edited; nothing when cancelled.
  virtual std::optional<std::string> EditComment(const std::string& title,
                                                 const std::string& comment) = 0;
  // 棋局信息…: the tags and the result edited in place; false, with them unchanged, when
  // cancelled.
  virtual bool EditGameInfo(record::PgnTags& tags, std::string& result) = 0;
  // 使用说明: the help window (game_menu.h's HelpText).
  virtual void ShowHelp() = 0;
};

// How the program sets up the main window's games, for the whole run: the choices given on the
// command line (stored here only; a choice made in the window ends them) and the maker of the
// extra windows (none: the main window alone, as the tests of the board use it).
struct WindowSetup {
  RunChoices run;
  std::optional<std::string> engine;  // --engine COMMAND
  std::optional<std::string> fen;     // --fen FEN: the first game starts from it
  bool resume = false;                // --resume: the first game is the newest kept one
  bool restart = false;               // set by the window: the program starts again when it ends
  std::function<std::unique_ptr<ExtraWindows>(WindowGame&)> extraWindows;
};

class WindowGame {
 public:
  explicit WindowGame(WindowSetup& setup);
  ~WindowGame();
  WindowGame(const WindowGame&) = delete;
  WindowGame& operator=(const WindowGame&) = delete;

  // After the first new game: the menus, the extra windows and what follows the game.
  void ShowParts();

  Session& Game() { return *session_; }
  const Session& Game() const { return *session_; }
  ScoreGraph& Graph() { return *graph_; }
  LiveAnalysis& Analysis() { return *analysis_; }
  OutsideOpponent& Opponent() { return *opponent_; }
  BoardHints& Hints() { return *hints_; }
  // Nothing when the program adds no windows.
  ExtraWindows* Windows() { return windows_.get(); }

  // The player's choices in the window, which end those given for this run.
  void ChooseLevel(int32_t level);
  void PlayAs(twoply::Colour colour);
  // The engines dialog was confirmed: the opponent, its clock and the analyst follow.
  void EnginesChosen();
  // The clock chosen (对局设置 or 引擎…) goes with the game from the next game on, or at once when
  // no move was made yet.
  void ClockChosen();
  // 放大棋盘: the board's size in halves (2: as it is, 3: one and a half, 4: twice), kept for the
  // next start; changing it asks to start the program again, the game kept to go on with.
  static int32_t BoardScale();
  void ChooseBoardScale(int32_t halves);
  // The game kept in the recent games (最近的对局): at once when `now` (its line is going, or the
  // window), otherwise on a background job; a game without moves is not kept. A new line is a
  // new game of the list.
  void KeepGame(bool now);
  // The games kept, the newest first.
  record::RecentGames& RecentGames() { return recent_; }

  // What the game stands at, for the record window's status line.
  StatusFacts Status() const;
  // A word for the player under the status line (a file saved, a click while replaying); it
  // stays until the line changes. The listener (the record window) hears of every change of it
  // and of the choices that the status shows and the game does not tell (the engine chosen).
  void Notify(std::string text);
  const std::string& Notice() const { return notice_; }
  void SetStatusListener(std::function<void()> listener) { statusListener_ = std::move(listener); }
  // The file the game was opened from or last saved to (empty for a game begun here); a new line
  // from anywhere else forgets it. The record window shows its name in the title.
  const std::string& FilePath() const { return filePath_; }
  void SetFilePath(std::string path);
  // 终局提示框: the result in a box of its own when a game ends (off by default), remembered.
  static bool ResultBox();
  void ChooseResultBox(bool on);

  // The clock (while both sides play on one) ticks: the flags are judged and the listener, the
  // record window, shows the times.
  void SetClockListener(std::function<void()> listener) { clockListener_ = std::move(listener); }

 private:
  class Ports;
  void FollowClock();

  WindowSetup& setup_;
  std::unique_ptr<Ports> ports_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<OutsideOpponent> opponent_;
  std::unique_ptr<ScoreGraph> graph_;
  std::unique_ptr<LiveAnalysis> analysis_;
  std::unique_ptr<BoardHints> hints_;
  std::unique_ptr<ExtraWindows> windows_;
  std::function<void()> clockListener_;
  std::function<void()> statusListener_;
  std::string notice_;
  std::string filePath_;
  bool over_ = false;  // the game had ended when the line last changed
  uint64_t clockTick_ = 0;
  record::RecentGames recent_;
  std::string recentId_;       // the game's name among the recent games
  size_t keptPlies_ = 0;       // its length when it was last kept
  uint64_t keptRevision_ = 0;  // and the record's revision then
  uint64_t keeping_ = 0;       // a background job writing it
  uint64_t keepSubscription_ = 0;
};

}  // namespace game
