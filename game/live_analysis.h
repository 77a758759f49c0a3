// Analysis (分析, Ctrl+A): an engine thinks without limit about the position the board shows, the
// live one or one stepped back to in the record, and the record window shows its lines (depth,
// score from red's side, speed and the moves in the record's notation) while an arrow on the board
// points out the best move. A new position shown restarts it; turning it off stops the engine at
// once. It never changes the game: it has its own engine, on a thread of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/position.h"
#include "game/analysis/analysis_line.h"
#include "game/analysis/analysis_text.h"
#include "game/lifeline.h"
#include "game/record/notation.h"
#include "runtime/system/worker.h"

namespace engine {
class Searcher;
}

namespace outside {
class EngineClient;
}

namespace game {

class Session;
struct OutsideEngine;

class LiveAnalysis {
 public:
  // `showNotes` opens the record window, where the lines are shown, when analysis begins.
  LiveAnalysis(Session& game, std::function<void()> showNotes);
  ~LiveAnalysis();
  LiveAnalysis(const LiveAnalysis&) = delete;
  LiveAnalysis& operator=(const LiveAnalysis&) = delete;

  // The notes change (the record window shows them): the listener hears of it.
  void SetNotesListener(std::function<void()> listener) { notesListener_ = std::move(listener); }
  // 分析: on (opening the record window when it is closed) or off.
  void Toggle();
  bool On() const { return on_; }
  // The analyst was chosen anew (the engine dialog): the chosen engine analyses from now on.
  void AnalystChoiceChanged();
  // 多线: how many lines are shown (1..3), remembered.
  static int32_t LineCount();
  void ChooseLineCount(int32_t lines);

  // What is shown now: the lines (scores from red's side), the notes' text (the analyst, the
  // time, what went wrong) and the lines as a table in the record's notation.
  const std::vector<analysis::AnalysisLine>& Lines() const { return lines_; }
  std::vector<std::string> Notes() const;
  std::vector<analysis::LineCells> Table() const;

 private:
  struct Shown;
  struct Handover;

  std::optional<Shown> ShownPosition(std::string* key) const;
  void FollowShownPosition();
  void PollAnalyst();
  void StartAnalyst(const OutsideEngine& chosen, const Shown& shown);
  void StopEngine();
  void StartEngine(const engine::Position& position);
  std::string AnalystName() const;
  void Show();
  void Refresh();
  void Restart();
  void TurnOff();

  Session& game_;
  std::function<void()> showNotes_;
  std::function<void()> notesListener_;
  uint64_t subscription_ = 0;
  bool on_ = false;
  std::string key_;  // the position analysed: the line's start and the moves to it
  std::unique_ptr<Shown> shown_;
  std::string trouble_;               // why nothing is analysed
  std::vector<std::string> notices_;  // what the outside analyst said of its options
  std::vector<analysis::AnalysisLine> lines_;
  runtime::JobId job_ = 0;
  std::shared_ptr<std::atomic<bool>> stop_;
  std::shared_ptr<Handover> handover_;
  runtime::RepeatingCallId refresh_ = 0;
  std::chrono::steady_clock::time_point started_, shownAt_;
  bool outsideFresh_ = false;  // the outside engine's lines changed since they were shown
  int32_t lineCount_ = 1;      // 多线 as it was when this position's analysis began
  std::unique_ptr<engine::Searcher> searcher_;
  // The outside analyst, kept from one position to the next; gone when analysis is off or it
  // failed.
  std::unique_ptr<outside::EngineClient> analyst_;
  uint64_t analystSearch_ = 0;
  bool analystFailed_ = false;  // for this run: the built-in engine analyses instead
  Lifeline lifeline_;
};

}  // namespace game
