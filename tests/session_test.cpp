// One game and its owner, without a window: scripts of what a player does and the state the game
// is in after each step, the screen's calls it makes, and its one search held by a scheduler the
// test runs by hand.
#include "game/play/session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "engine/search.h"
#include "game/twoply/position_text.h"
#include "game/twoply/static_evaluation.h"
#include "game/twoply/two_ply_search.h"
#include "runtime/text_codec.h"

namespace {

using game::Session;

constexpr const char* kStart = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR";

std::string Name(twoply::Square s) {
  return twoply::FormatIccsSquare(s);
}

// What the game asked the screen to do, one word and its squares a call.
class RecordingScreen final : public game::Screen {
 public:
  std::vector<std::string> calls;
  void DrawNewBoard() override { calls.push_back("new"); }
  void RedrawBoard(const twoply::BoardArray&) override { calls.push_back("redraw"); }
  void DrawMove(const twoply::Move& m) override {
    calls.push_back("move " + Name(m.from) + Name(m.to));
  }
  void HighlightSelection(twoply::Square s, bool) override { calls.push_back("light " + Name(s)); }
  void HighlightShown(const twoply::BoardArray&, twoply::Square s, bool) override {
    calls.push_back("light shown " + Name(s));
  }
  void ShowLabel(game::Label, const game::Labels&) override {}
  void MarkHint(twoply::Square s) override { calls.push_back("mark " + Name(s)); }
  void EraseHintMark(twoply::Square s) override { calls.push_back("erase " + Name(s)); }
};

// Jobs wait until the test runs them; a cancelled job's work still runs, with its stop set, and
// must return at once, as a thread that had not begun yet would.
class HandScheduler final : public game::Scheduler {
 public:
  Job Start(std::function<void()> work, std::function<void()> done) override {
    jobs_[++next_] = {std::move(work), std::move(done)};
    return next_;
  }
  void Cancel(Job job) override {
    auto it = jobs_.find(job);
    if (it == jobs_.end()) return;
    auto work = std::move(it->second.first);
    jobs_.erase(it);
    work();
  }
  void RunAll() {
    while (!jobs_.empty()) {
      auto [work, done] = std::move(jobs_.begin()->second);
      jobs_.erase(jobs_.begin());
      work();
      done();
    }
  }
  size_t Waiting() const { return jobs_.size(); }

 private:
  Job next_ = 0;
  std::map<Job, std::pair<std::function<void()>, std::function<void()>>> jobs_;
};

// Work on a thread of its own, as the window runs it; `done` runs when the test collects it.
class ThreadScheduler final : public game::Scheduler {
 public:
  ~ThreadScheduler() override {
    for (auto& [job, running] : jobs_) running.thread.join();
  }
  Job Start(std::function<void()> work, std::function<void()> done) override {
    Running& running = jobs_[++next_];
    running.done = std::move(done);
    running.thread = std::thread([work = std::move(work), &finished = running.finished] {
      work();
      finished = true;
    });
    return next_;
  }
  void Cancel(Job job) override {
    auto it = jobs_.find(job);
    if (it == jobs_.end()) return;
    it->second.thread.join();
    jobs_.erase(it);
  }
  // Delivers every finished job; false when none has finished yet.
  bool Collect() {
    bool any = false;
    for (auto it = jobs_.begin(); it != jobs_.end();) {
      if (!it->second.finished) {
        ++it;
        continue;
      }
      it->second.thread.join();
      auto done = std::move(it->second.done);
      it = jobs_.erase(it);
      done();
      any = true;
    }
    return any;
  }

 private:
  struct Running {
    std::thread thread;
    std::function<void()> done;
    std::atomic<bool> finished{false};
  };
  Job next_ = 0;
  std::map<Job, Running> jobs_;
};

class MapStore final : public game::ChoiceStore {
 public:
  std::map<std::string, int32_t, std::less<>> values;
  std::optional<int32_t> Read(std::string_view key) override {
    auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  void Write(std::string_view key, int32_t value) override { values[std::string(key)] = value; }
};

struct Expect {
  std::optional<std::string> board{};  // FEN's board part, the Human to move
  std::optional<int32_t> selected{}, steps{}, over{};
  std::optional<size_t> moves{};  // in the line
  std::optional<game::Status> status{};
  std::optional<bool> thinking{}, canTakeBack{};
  std::optional<std::string> lastCall{};
};

struct Step {
  std::string action;
  Expect expect;
};

class SessionScript : public testing::Test {
 protected:
  void SetUp() override {
    game::CreateGlobals();
    twoply::LoadEvaluationTables();
    twoply::SearchDepth = 2;
    session = std::make_unique<Session>(screen, scheduler, store);
    session->LoadChoices();
  }
  void TearDown() override {
    session.reset();
    game::ReleaseGlobals();
  }

  std::string BoardNow() const {
    std::string fen = twoply::FormatFen(twoply::Board, twoply::Human);
    return fen.substr(0, fen.find(' '));
  }

  void Act(const std::string& action) {
    std::istringstream in(action);
    std::string verb, rest;
    in >> verb;
    std::getline(in >> std::ws, rest);
    if (verb == "new") {
      session->NewGame();
    } else if (verb == "click") {  // a square's centre, by ICCS name
      auto square = twoply::ParseIccsMove(rest + (rest == "a0" ? "a1" : "a0"));  // its first square
      ASSERT_TRUE(square) << rest;
      session->Click(square->from);
    } else if (verb == "move") {
      auto move = twoply::ParseIccsMove(rest);
      ASSERT_TRUE(move) << rest;
      session->PlayHumanMove(*move);
    } else if (verb == "back") {
      session->TakeBack();
    } else if (verb == "paste") {
      EXPECT_EQ(session->Paste(rest), std::nullopt) << rest;
    } else if (verb == "level") {
      session->ChooseLevel(std::stoi(rest));
    } else if (verb == "rules") {
      session->ChooseStandardRules(rest == "on");
    } else if (verb == "hint") {
      session->RequestHint();
    } else if (verb == "run") {
      scheduler.RunAll();
    } else {
      FAIL() << "no such action: " << verb;
    }
  }

  void Check(const Step& step) {
    const Expect& e = step.expect;
    SCOPED_TRACE(step.action);
    if (e.board) {
      EXPECT_EQ(BoardNow(), *e.board);
    }
    if (e.selected) {
      EXPECT_EQ(session->Turn().PieceSelected, *e.selected);
    }
    if (e.steps) {
      EXPECT_EQ(session->Turn().StepCount, *e.steps);
    }
    if (e.over) {
      EXPECT_EQ(session->Turn().GameOver, *e.over);
    }
    if (e.moves) {
      EXPECT_EQ(session->Line().moves.size(), *e.moves);
    }
    if (e.status) {
      EXPECT_EQ(session->LabelValues().status, *e.status);
    }
    if (e.thinking) {
      EXPECT_EQ(session->Thinking(), *e.thinking);
    }
    if (e.canTakeBack) {
      EXPECT_EQ(session->CanTakeBack(), *e.canTakeBack);
    }
    if (e.lastCall) {
      ASSERT_FALSE(screen.calls.empty());
      EXPECT_EQ(screen.calls.back(), *e.lastCall);
    }
  }

  void Play(const std::vector<Step>& script) {
    for (const Step& step : script) {
      Act(step.action);
      Check(step);
    }
  }

  RecordingScreen screen;
  HandScheduler scheduler;
  MapStore store;
  std::unique_ptr<Session> session;
};

TEST_F(SessionScript, ClicksMovesAndTakeBacksAtTheGamesOwnLevel) {
  Play({
      {"new",
       {.board = kStart,
        .selected = 0,
        .steps = 0,
        .moves = 0,
        .status = game::Status::kBlank,
        .canTakeBack = false,
        .lastCall = "new"}},
      {"click h2", {.selected = 1, .lastCall = "light h2"}},
      {"click e2", {.selected = 0, .steps = 1, .moves = 2, .status = game::Status::kYourTurn}},
      // Taken back, the cannon is home again and nothing is selected or lit.
      {"back",
       {.board = kStart,
        .selected = 0,
        .steps = 0,
        .moves = 0,
        .status = game::Status::kBlank,
        .canTakeBack = false,
        .lastCall = "redraw"}},
      {"click e2", {.board = kStart, .selected = 1}},  // an empty point selects, as always
      {"click h2", {.selected = 1}},
      {"click e2", {.steps = 1, .moves = 2}},
      {"click b2", {.selected = 1, .lastCall = "light b2"}},
      {"back", {.board = kStart, .selected = 0, .steps = 0, .lastCall = "redraw"}},
      {"back", {.board = kStart, .canTakeBack = false}},  // nothing left: nothing happens
  });
}

TEST_F(SessionScript, TheEnginesReplyIsTheOneSearchAndARecordNeverHoldsItsTurn) {
  Play({
      {"new", {}},
      {"level 3", {}},
      {"move h2e2", {.steps = 1, .moves = 1, .status = game::Status::kThinking, .thinking = true}},
  });
  // Saved now, the record holds the position with the Human to move: the one before his move.
  EXPECT_EQ(twoply::FormatFen(session->RecordBoard(), twoply::Human).substr(0, 53),
            std::string(kStart).substr(0, 53));
  // No hint, no second search, no click while the reply is on its way.
  EXPECT_EQ(session->RequestHint(), game::HintAnswer::kNotNow);
  EXPECT_EQ(scheduler.Waiting(), 1u);
  session->Click(twoply::Square{1, 1});
  EXPECT_EQ(session->Turn().PieceSelected, 0);
  session->View(0);  // looking back while the engine thinks
  Play({{"run", {.moves = 2, .status = game::Status::kYourTurn, .thinking = false}}});
  EXPECT_FALSE(session->Viewed());  // the reply brings the board back to the game
  EXPECT_EQ(BoardNow(),
            twoply::FormatFen(session->RecordBoard(), twoply::Human).substr(0, BoardNow().size()));
  // A new game while the engine thinks stops it; its move never lands.
  Play({
      {"move b2c2", {.thinking = true}},
      {"new", {.board = kStart, .moves = 0, .status = game::Status::kBlank, .thinking = false}},
      {"run", {.board = kStart, .moves = 0}},
  });
  EXPECT_EQ(store.values["level"], 3);
}

TEST_F(SessionScript, HintsSelectAndMarkAndGoWithTheNextClick) {
  Play({{"new", {}}, {"hint", {.selected = 0}}});
  EXPECT_TRUE(session->HintPending());
  EXPECT_FALSE(session->CanHint());
  scheduler.RunAll();
  ASSERT_TRUE(session->HintTarget());
  const std::string target = Name(*session->HintTarget());
  EXPECT_EQ(session->Turn().PieceSelected, 1);
  EXPECT_EQ(screen.calls.back(), "mark " + target);
  // One click on the mark plays the hinted move.
  Play({{"click " + target, {.selected = 0, .steps = 1, .moves = 2}}});
  EXPECT_FALSE(session->HintTarget());
  EXPECT_NE(std::find(screen.calls.begin(), screen.calls.end(), "erase " + target),
            screen.calls.end());
}

// Each row: the rules, a position pasted (or opened, where the full rules would refuse it), a
// move, and how the game stands after it.
TEST_F(SessionScript, EndingsAndWhatTheyAreCalled) {
  struct Case {
    const char* rules;
    const char* fen;
    const char* move;  // empty: none
    game::Winner winner;
    game::Ending ending;
    game::Status status;
  };
  const Case cases[] = {
      {"off", "4k4/9/9/9/9/9/9/9/4R4/3K5 w", "e1e9", game::Winner::kHuman,
       game::Ending::kGeneralTaken, game::Status::kYouWon},
      {"off", "5k3/9/9/9/4r4/9/9/9/9/3K5 w", "d0e0", game::Winner::kComputer,
       game::Ending::kGeneralTaken, game::Status::kYouLost},
      {"on", "3k5/9/9/9/4r4/9/9/9/3r3n1/4K4 w", "", game::Winner::kComputer, game::Ending::kMate,
       game::Status::kYouLost},
      {"on", "3k5/9/9/9/9/9/9/9/3r1r3/4K4 w", "", game::Winner::kComputer, game::Ending::kStalemate,
       game::Status::kYouLost},
      {"on", "4k4/9/9/9/3r5/9/9/9/4A4/3K5 w", "", game::Winner::kNobody, game::Ending::kNone,
       game::Status::kCheckYourTurn},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    Act("new");
    Act(std::string("rules ") + c.rules);
    if (engine::Position::FromFen(c.fen)) {
      Act(std::string("paste ") + c.fen);
    } else {
      std::string error;
      session->OpenBoard(twoply::ParseFen(c.fen, error)->board);
    }
    if (*c.move) Act(std::string("move ") + c.move);
    EXPECT_EQ(session->GameOutcome().winner, c.winner);
    EXPECT_EQ(session->GameOutcome().ending, c.ending);
    EXPECT_EQ(session->Turn().GameOver, c.winner == game::Winner::kNobody ? 0 : 1);
    EXPECT_EQ(session->LabelValues().status, c.status);
  }
}

TEST_F(SessionScript, PastesAndRecordsReplaceTheLine) {
  // The Computer to move in the pasted position: it answers at once.
  Play({{"paste " + std::string(kStart) + " b",
         {.steps = 0, .moves = 1, .status = game::Status::kYourTurn, .canTakeBack = false}}});
  EXPECT_NE(BoardNow(), kStart);
  EXPECT_TRUE(session->Paste("not a position").has_value());
  EXPECT_TRUE(session->Paste("9/9/9 w").has_value());
  EXPECT_EQ(session->Turn().StepCount, 0);
  // A record replaces the board alone: the count and the labels stay.
  Play({{"new", {}}, {"click h2", {}}, {"click e2", {.steps = 1}}});
  twoply::BoardArray opened = twoply::Board;
  opened(10, 1) = twoply::Empty;
  session->OpenBoard(opened);
  EXPECT_EQ(session->Turn().StepCount, 1);
  EXPECT_FALSE(session->CanTakeBack());
  EXPECT_EQ(screen.calls.back(), "redraw");
}

// Stepping back through the line shows earlier positions without touching the game; continuing
// from one makes it the game's end, the later moves kept in the record.
TEST_F(SessionScript, ReplayAndContinueFromAnEarlierPosition) {
  Play({{"new", {}}, {"move h2e2", {.moves = 2}}, {"move b0c2", {.steps = 2, .moves = 4}}});
  const std::string live = BoardNow();
  session->View(0);
  EXPECT_EQ(session->Viewed(), 0u);
  EXPECT_EQ(screen.calls.back(), "redraw");
  EXPECT_EQ(BoardNow(), live);  // the game itself is untouched
  Act("click b2");              // a piece of the position shown is lit, not the game's
  EXPECT_EQ(screen.calls.back(), "light shown b2");
  EXPECT_EQ(BoardNow(), live);
  EXPECT_FALSE(session->CanHint());
  session->View(4);  // the line's length: back to the game
  EXPECT_FALSE(session->Viewed());
  session->View(2);
  session->ContinueFromView();
  Play({{"run", {.steps = 1, .moves = 2, .status = game::Status::kYourTurn, .canTakeBack = true}}});
  // Continued from a position with the Computer to move: it plays on at once.
  session->View(1);
  session->ContinueFromView();
  EXPECT_EQ(session->Line().moves.size(), 2u);
  EXPECT_EQ(session->Turn().HumanToMove, 1);
  EXPECT_EQ(session->Record().MainLine().size(), 4u);  // b0c2 and its reply stay recorded
}

// Replaying, the recorded move steps on; another move becomes a variation there that the game
// goes on in. A take-back takes out what this game added, never what the record had before.
TEST_F(SessionScript, AnotherMoveWhileReplayingIsAVariationTheGameFollows) {
  Play({{"new", {}}, {"move h2e2", {.moves = 2}}, {"move b0c2", {.steps = 2, .moves = 4}}});
  const record::GameTree& tree = session->Record();
  const std::vector<record::NodeId> main = tree.MainLine();
  ASSERT_EQ(main.size(), 4u);
  session->View(2);
  ASSERT_TRUE(session->PlayHumanMove(*twoply::ParseIccsMove("b0c2")));  // as recorded
  EXPECT_EQ(session->Viewed(), 3u);
  EXPECT_EQ(tree.NodeCount(), 5u);
  session->View(2);
  ASSERT_TRUE(session->PlayHumanMove(*twoply::ParseIccsMove("h0g2")));
  EXPECT_FALSE(session->Viewed());
  EXPECT_EQ(session->Line().moves.size(), 4u);  // the move and the Computer's answer
  EXPECT_EQ(session->Turn().StepCount, 2);
  EXPECT_EQ(tree.Children(main[1]).size(), 2u);
  EXPECT_EQ(tree.MainLine(), main);  // the main line stays the main line
  EXPECT_EQ(tree.VariationStart(session->GameNode()), tree.Children(main[1])[1]);
  session->TakeBack();
  EXPECT_EQ(tree.Children(main[1]).size(), 1u);
  EXPECT_EQ(session->Line().moves.size(), 2u);

  // An opened record: the game stands at its end, and a take-back steps back through it.
  record::GameTree opened = tree;
  opened.tags.Set("Event", "甲级联赛");
  session->LoadRecord(opened);
  EXPECT_TRUE(session->RecordOpened());
  EXPECT_EQ(session->Line().moves.size(), 4u);
  session->TakeBack();
  EXPECT_EQ(session->Line().moves.size(), 2u);
  EXPECT_EQ(session->Record().MainLine().size(), 4u);
  EXPECT_EQ(session->Record().tags.Get("Event"), "甲级联赛");
}

// The edits of the record: each undone in turn; removing the variation the game is in takes the
// game back out of it first; a move played ends what can be undone.
TEST_F(SessionScript, TheRecordsEditsAreUndoneAndSpareTheGame) {
  std::vector<game::GameChange> heard;
  session->Subscribe([&](const game::GameChange& c) { heard.push_back(c); });
  Play({{"new", {}}, {"move h2e2", {.moves = 2}}});
  const record::GameTree& tree = session->Record();
  const record::NodeId first = tree.MainLine()[0], reply = tree.MainLine()[1];
  // A variation at the first move: the Human's other opening, where the game now goes on.
  session->View(0);
  ASSERT_TRUE(session->PlayHumanMove(*twoply::ParseIccsMove("b2e2")));
  const record::NodeId variation = tree.Children(record::kRootNode)[1];
  ASSERT_EQ(tree.VariationStart(session->GameNode()), variation);
  EXPECT_FALSE(session->CanUndoRecordEdit());

  struct Case {
    const char* name;
    std::function<bool()> edit;
    std::function<std::string()> state;
  };
  auto mainFirst = [&] { return std::to_string(tree.Children(record::kRootNode).front()); };
  const Case cases[] = {
      {"promote", [&] { return session->PromoteToMainLine(variation); }, mainFirst},
      {"comment", [&] { return session->SetComment(reply, "好棋"); },
       [&] { return tree.At(reply).comment; }},
      {"info",
       [&] {
         record::PgnTags tags;
         tags.Set("Red", "许银川");
         return session->SetInfo(tags, "1-0");
       },
       [&] { return tree.tags.Get("Red") + tree.result; }},
      {"remove the main line's alternative",
       [&] { return session->RemoveVariation(tree.Children(record::kRootNode).back()); },
       [&] { return std::to_string(tree.Children(record::kRootNode).size()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = c.state();
    heard.clear();
    ASSERT_TRUE(c.edit());
    EXPECT_NE(c.state(), before);
    ASSERT_FALSE(heard.empty());
    EXPECT_TRUE(heard.back().record);
    session->UndoRecordEdit();
    EXPECT_EQ(c.state(), before);
  }
  EXPECT_FALSE(session->CanUndoRecordEdit());
  EXPECT_FALSE(session->PromoteToMainLine(first));  // the main line already: nothing to undo

  // The game is in the variation: removed, it goes back to the start, the board to the game.
  session->ViewNode(variation);
  EXPECT_EQ(session->ShownNode(), variation);
  ASSERT_TRUE(session->RemoveVariation(variation));
  EXPECT_EQ(session->Line().moves.size(), 0u);
  EXPECT_EQ(BoardNow(), std::string(kStart));
  EXPECT_EQ(tree.Children(record::kRootNode).size(), 1u);
  EXPECT_EQ(session->ShownNode(), record::kRootNode);
  session->UndoRecordEdit();
  EXPECT_EQ(tree.Children(record::kRootNode).size(), 2u);
  // Following the record leaves the edits undoable; a move that adds to it ends that.
  ASSERT_TRUE(session->SetComment(first, "中炮"));
  Act("move h2e2");
  EXPECT_TRUE(session->CanUndoRecordEdit());
  session->View(0);
  ASSERT_TRUE(session->PlayHumanMove(*twoply::ParseIccsMove("g3g4")));
  EXPECT_FALSE(session->CanUndoRecordEdit());
}

// As black the Computer has red and moves first; the FEN and the engine see the real colours.
TEST_F(SessionScript, PlayingBlack) {
  session->PlayAs(twoply::Colour::kBlack);
  EXPECT_EQ(session->Line().moves.size(), 1u);
  EXPECT_EQ(session->Line().first, twoply::Computer);
  EXPECT_EQ(session->Turn().StepCount, 0);
  EXPECT_FALSE(session->CanTakeBack());
  const std::string fen = session->Fen();
  EXPECT_EQ(fen.substr(fen.find(' '), 3), " b ");
  auto position = engine::Position::FromFen(fen);
  ASSERT_TRUE(position);
  EXPECT_EQ(position->SideToMove(), engine::kBlack);
  // The Human's black pieces stand below: black's pawn a6 is his, the rightmost as he sees it.
  const twoply::Move pawn =
      game::FromEngineMove(*engine::ParseIccs("a6a5"), twoply::Colour::kBlack);
  EXPECT_TRUE((pawn.from == twoply::Square{9, 7}));
  EXPECT_EQ(At(twoply::Board, pawn.from), twoply::Soldier + twoply::kHumanCodeOffset);
  ASSERT_TRUE(session->PlayHumanMove(pawn));
  EXPECT_EQ(session->Line().moves.size(), 3u);
  EXPECT_EQ(session->Turn().StepCount, 1);
  session->TakeBack();
  EXPECT_EQ(session->Line().moves.size(), 1u);
  session->NewGame();  // the colour holds
  EXPECT_EQ(session->HumanColour(), twoply::Colour::kBlack);
  EXPECT_EQ(session->Line().first, twoply::Computer);

  // Played to a mate: black's chariot closes the last rank on the red General.
  session->ChooseStandardRules(true);
  ASSERT_EQ(session->Paste("4k4/9/9/9/9/9/9/r8/8r/3K5 b"), std::nullopt);
  EXPECT_EQ(session->Turn().HumanToMove, 1);
  ASSERT_TRUE(session->PlayHumanMove(
      game::FromEngineMove(*engine::ParseIccs("a2a0"), twoply::Colour::kBlack)));
  EXPECT_EQ(session->GameOutcome().winner, game::Winner::kHuman);
  EXPECT_EQ(session->GameOutcome().ending, game::Ending::kMate);
  EXPECT_EQ(session->LabelValues().status, game::Status::kYouWon);
}

TEST_F(SessionScript, ChoicesAreRememberedAndARunsLevelWins) {
  session->ChooseLevel(9);
  EXPECT_EQ(session->Level(), game::kDefaultLevel);
  session->ChooseLevel(6);
  session->ChooseStandardRules(true);
  EXPECT_EQ(store.values["level"], 6);
  Session again(screen, scheduler, store);
  again.LoadChoices();
  EXPECT_EQ(again.Level(), 6);
  EXPECT_TRUE(again.StandardRules());
  again.LoadChoices({.level = 4, .colour = std::nullopt});
  EXPECT_EQ(again.Level(), 4);
  EXPECT_EQ(store.values["level"], 6);
}

// The engine searching on its own thread, stopped by the player midway and allowed to finish.
TEST_F(SessionScript, AReplyOnItsOwnThreadStopsAtOnceOrArrives) {
  ThreadScheduler threads;
  Session game(screen, threads, store);
  game.ChooseLevel(8);
  game.NewGame();
  ASSERT_TRUE(game.PlayHumanMove(*twoply::ParseIccsMove("h2e2")));
  ASSERT_TRUE(game.Thinking());
  game.NewGame();  // joins the search: its stop is seen within milliseconds
  EXPECT_FALSE(game.Thinking());
  EXPECT_FALSE(threads.Collect());
  EXPECT_EQ(BoardNow(), kStart);

  game.ChooseLevel(3);
  ASSERT_TRUE(game.PlayHumanMove(*twoply::ParseIccsMove("h2e2")));
  while (!threads.Collect()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(game.Thinking());
  EXPECT_EQ(game.Line().moves.size(), 2u);
  EXPECT_EQ(game.LabelValues().status, game::Status::kYourTurn);
}

}  // namespace

namespace {

// A provider the test answers by hand.
class HandProvider final : public game::ReplyProvider {
 public:
  bool Ask(const engine::Position& start, const std::vector<engine::Move>& moves,
           Answer answer) override {
    engine::Position position = start;
    for (engine::Move move : moves) position.MakeMove(move);
    asked = position.Fen();
    pending = std::move(answer);
    return true;
  }
  void Withdraw() override {
    pending = nullptr;
    ++withdrawn;
  }
  void Give(std::optional<engine::Move> move) { std::exchange(pending, nullptr)(move); }
  std::string asked;
  Answer pending;
  int withdrawn = 0;
};

}  // namespace

TEST_F(SessionScript, AnOutsideReplyIsTheOneSearchAndTheBuiltInEngineTakesOverWhenItFails) {
  HandProvider provider;
  Act("new");
  session->ChooseLevel(3);
  session->UseReplyProvider(&provider);
  Act("move h2e2");  // 炮二平五
  ASSERT_TRUE(provider.pending);
  EXPECT_TRUE(session->Thinking());
  EXPECT_EQ(scheduler.Waiting(), 0u);  // nothing searched here
  EXPECT_EQ(provider.asked.substr(0, provider.asked.find(' ')),
            "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR");
  EXPECT_FALSE(session->CanHint());  // one search at a time
  provider.Give(engine::ParseIccs("h9g7"));
  EXPECT_FALSE(session->Thinking());
  EXPECT_EQ(session->LineEngineMoves().size(), 2u);
  EXPECT_EQ(engine::ToIccs(session->LineEngineMoves()[1]), "h9g7");

  // A failure (no move) and a move that is not legal: the built-in engine searches instead.
  for (std::optional<engine::Move> bad :
       {std::optional<engine::Move>(), engine::ParseIccs("a9a0")}) {
    const size_t before = session->LineEngineMoves().size();
    Act(before == 2 ? "move b2c2" : "move h0g2");
    ASSERT_TRUE(provider.pending);
    provider.Give(bad);
    EXPECT_TRUE(session->Thinking());
    EXPECT_EQ(scheduler.Waiting(), 1u);
    scheduler.RunAll();
    EXPECT_FALSE(session->Thinking());
    EXPECT_EQ(session->LineEngineMoves().size(), before + 2);
  }

  // A take-back while it thinks withdraws the question; a late answer changes nothing.
  Act("move i0h0");
  ASSERT_TRUE(provider.pending);
  auto late = provider.pending;
  Act("back");
  EXPECT_EQ(provider.withdrawn, 1);
  EXPECT_FALSE(session->Thinking());
  const size_t kept = session->LineEngineMoves().size();
  late(engine::ParseIccs("a9a8"));
  EXPECT_EQ(session->LineEngineMoves().size(), kept);
  session->UseReplyProvider(nullptr);
}

TEST(GameClock, ChargesTheSideToMoveAndGivesTheIncrementAfterItsMove) {
  int64_t now = 1000;
  game::GameClock clock({60000, 2000}, [&now] { return now; });
  using twoply::Colour;
  EXPECT_EQ(clock.Remaining(Colour::kRed), 60000);
  EXPECT_EQ(clock.Running(), std::nullopt);
  now += 5000;  // nothing runs yet
  clock.Run(Colour::kRed);
  now += 3000;
  EXPECT_EQ(clock.Remaining(Colour::kRed), 57000);  // counted live
  clock.Run(Colour::kRed);                          // already running: nothing
  clock.Run(Colour::kBlack);                        // red moved: its time and its increment
  EXPECT_EQ(clock.Remaining(Colour::kRed), 59000);
  now += 61500;
  EXPECT_EQ(clock.Remaining(Colour::kBlack), -1500);  // ran out
  clock.Stop();                                       // no increment for a stopped clock
  now += 1000;
  EXPECT_EQ(clock.Remaining(Colour::kBlack), -1500);
  EXPECT_EQ(clock.Running(), std::nullopt);

  const std::pair<int64_t, const char*> texts[] = {{-5, "0:00"},     {0, "0:00"},
                                                   {400, "0:01"},    {59000, "0:59"},
                                                   {300000, "5:00"}, {3723000, "1:02:03"}};
  for (const auto& [ms, text] : texts) EXPECT_EQ(game::ClockText(ms), text) << ms;
}

TEST_F(SessionScript, OnAClockTheSidesPayForTheirTurnsAndTheHumanLosesOnTime) {
  HandProvider provider;
  int64_t now = 0;
  using twoply::Colour;
  Act("new");
  session->ChooseLevel(3);
  session->UseReplyProvider(&provider);
  session->UseClock(game::ClockSetting{60000, 1000}, [&now] { return now; });
  ASSERT_NE(session->Clock(), nullptr);
  now += 4000;  // the clocks start with the first move, which earns no increment
  Act("move h2e2");
  EXPECT_EQ(session->Clock()->Running(), Colour::kBlack);
  EXPECT_EQ(session->Clock()->Remaining(Colour::kRed), 60000);
  now += 2500;
  provider.Give(engine::ParseIccs("h9g7"));
  EXPECT_EQ(session->Clock()->Remaining(Colour::kBlack), 58500);
  EXPECT_EQ(session->Clock()->Running(), Colour::kRed);
  // Not run out: the game goes on. Run out: lost on time, and a click changes nothing.
  now += 59000;
  EXPECT_FALSE(session->CheckClock());
  now += 1000;
  EXPECT_TRUE(session->CheckClock());
  EXPECT_EQ(session->GameOutcome().winner, game::Winner::kComputer);
  EXPECT_EQ(session->GameOutcome().ending, game::Ending::kTime);
  EXPECT_EQ(session->Clock()->Running(), std::nullopt);
  Act("click b2");
  EXPECT_EQ(session->LineEngineMoves().size(), 2u);
  // The Computer's flag is judged the same way: its question is withdrawn and it loses on time.
  Act("new");
  now = 0;
  Act("move h2e2");
  now += 59999;
  EXPECT_FALSE(session->CheckClock());
  now += 1;
  EXPECT_TRUE(session->CheckClock());
  EXPECT_FALSE(session->Thinking());
  EXPECT_EQ(session->GameOutcome().winner, game::Winner::kHuman);
  EXPECT_EQ(session->GameOutcome().ending, game::Ending::kTime);
  EXPECT_EQ(session->LabelValues().status, game::Status::kYouWon);
  EXPECT_EQ(session->LineEngineMoves().size(), 1u);
  // No clock again: none at once, and none in the next game.
  session->UseClock(std::nullopt);
  EXPECT_EQ(session->Clock(), nullptr);
  Act("new");
  EXPECT_EQ(session->Clock(), nullptr);
  session->UseReplyProvider(nullptr);
}

// What the subscribers hear after each action: whether the line changed, how much of it they were
// told before still stands, whether it starts elsewhere, and whether the position shown changed.
TEST_F(SessionScript, SubscribersHearWhatChangedAsData) {
  std::vector<game::GameChange> heard;
  const uint64_t id = session->Subscribe([&](const game::GameChange& c) { heard.push_back(c); });
  struct Case {
    std::function<void()> action;
    bool line;
    size_t kept;
    bool newStart, view;
  };
  const Case cases[] = {
      {[&] { Act("new"); }, true, 0, true, false},
      {[&] { Act("move h2e2"); }, true, 0, false, false},  // the move and the reply
      {[&] { Act("move b0c2"); }, true, 2, false, false},
      {[&] { Act("back"); }, true, 2, false, false},
      {[&] { session->View(1); }, false, 0, false, true},
      {[&] { session->ContinueFromView(); }, true, 1, false, true},
      {[&] { Act("paste " + std::string(kStart) + " w"); }, true, 0, true, false},
  };
  uint64_t revision = 0;
  for (const Case& c : cases) {
    heard.clear();
    c.action();
    ASSERT_FALSE(heard.empty());
    // An action may be told in several steps: together they say what changed.
    game::GameChange all{false, SIZE_MAX, false, false, 0};
    for (const game::GameChange& change : heard) {
      all.line = all.line || change.line;
      if (change.line) all.keptPlies = std::min(all.keptPlies, change.keptPlies);
      all.newStart = all.newStart || change.newStart;
      all.view = all.view || change.view;
      EXPECT_GE(change.revision, revision);
      revision = change.revision;
    }
    EXPECT_EQ(all.line, c.line);
    if (c.line) {
      EXPECT_EQ(all.keptPlies, c.kept);
    }
    EXPECT_EQ(all.newStart, c.newStart);
    EXPECT_EQ(all.view, c.view);
  }
  session->Unsubscribe(id);
  heard.clear();
  Act("new");
  EXPECT_TRUE(heard.empty());
}

namespace {

// Under the standard rules the Computer's moves come from the test: the lines that end a game by
// the rules a tournament judges, each reached through the Session.
TEST_F(SessionScript, TheRepetitionAndMoveCountRulesEndTheGame) {
  HandProvider provider;
  session->ChooseLevel(3);
  session->ChooseStandardRules(true);
  session->UseReplyProvider(&provider);
  // 60 rounds without a capture and without a third repetition: two chariots on cycles of 8 and
  // 7 files.
  std::string rounds;
  const std::string red = "abcdeghi", black = "abcdghi";
  for (size_t i = 0; i < 60; ++i)
    rounds += std::string(1, red[i % 8]) + "1" + red[(i + 1) % 8] + "1 " + black[i % 7] + "8" +
              black[(i + 1) % 7] + "8 ";
  struct Case {
    const char* fen;
    std::string line;  // the Human's and the Computer's moves in turn
    game::Winner winner;
    game::Ending ending;
  };
  const Case cases[] = {
      {"3k5/9/9/9/9/9/9/9/9/4K3R w", "i0i9 d9d8 i9i8 d8d9 i8i9 d9d8 i9i8 d8d9 i8i9",
       game::Winner::kComputer, game::Ending::kPerpetualCheck},
      {"3k5/9/c8/1R7/9/9/9/9/9/4K4 w", "b6b7 a7a8 b7b8 a8a7 b8b7 a7a8 b7b8 a8a7 b8b7",
       game::Winner::kComputer, game::Ending::kPerpetualChase},
      {"3k5/9/9/9/9/9/9/9/9/4K4 w", "e0e1 d9d8 e1e0 d8d9 e0e1 d9d8 e1e0 d8d9", game::Winner::kDraw,
       game::Ending::kRepetition},
      {"5k3/r8/9/9/9/9/9/9/R8/4K4 w", rounds, game::Winner::kDraw, game::Ending::kMoveLimit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    Act(std::string("paste ") + c.fen);
    std::istringstream moves(c.line);
    bool human = true;
    for (std::string move; moves >> move; human = !human) {
      ASSERT_EQ(session->Turn().GameOver, 0) << "ended before " << move;
      if (human)
        ASSERT_TRUE(session->PlayHumanMove(*twoply::ParseIccsMove(move))) << move;
      else
        provider.Give(engine::ParseIccs(move));
    }
    EXPECT_EQ(session->GameOutcome().winner, c.winner);
    EXPECT_EQ(session->GameOutcome().ending, c.ending);
    EXPECT_FALSE(session->Thinking());  // a game ended by the Human's move gets no reply
  }
  // Without the standard rules the same moves go on.
  session->ChooseStandardRules(false);
  Act(std::string("paste ") + cases[2].fen);
  for (const char* move : {"e0e1", "d9d8", "e1e0", "d8d9", "e0e1", "d9d8", "e1e0", "d8d9"}) {
    if (session->Thinking())
      provider.Give(engine::ParseIccs(move));
    else
      session->PlayHumanMove(*twoply::ParseIccsMove(move));
  }
  EXPECT_EQ(session->Turn().GameOver, 0);
  session->UseReplyProvider(nullptr);
}

TEST_F(SessionScript, ResignAndDrawOffers) {
  Act("new");
  EXPECT_EQ(session->OfferDraw(), game::DrawAnswer::kTooEarly);
  session->Resign();
  EXPECT_EQ(session->GameOutcome().winner, game::Winner::kComputer);
  EXPECT_EQ(session->GameOutcome().ending, game::Ending::kResigned);
  EXPECT_EQ(session->OfferDraw(), game::DrawAnswer::kNotNow);
  // Nothing left that can attack: a draw at once, whatever the rounds.
  Act("paste 3k5/9/9/9/9/9/9/9/4A4/3AK4 w");
  EXPECT_EQ(session->OfferDraw(), game::DrawAnswer::kAccepted);
  EXPECT_EQ(session->GameOutcome().winner, game::Winner::kDraw);
  EXPECT_EQ(session->LabelValues().status, game::Status::kDraw);
  // After 20 rounds the Computer's score decides: a chariot ahead is not even.
  for (const char* fen : {"3k5/9/9/9/R8/9/9/9/9/4K4 w", "3k5/9/9/9/r8/9/9/9/9/4K4 w"}) {
    SCOPED_TRACE(fen);
    Act(std::string("paste ") + fen);
    std::vector<twoply::Move> moves;
    for (int round = 0; round < 20; ++round)
      for (const char* move : {"e0e1", "d9d8", "e1e0", "d8d9"})
        if (moves.size() < 40) moves.push_back(*twoply::ParseIccsMove(move));
    session->LoadGame(twoply::Board, twoply::Human, moves);
    EXPECT_EQ(session->OfferDraw(), game::DrawAnswer::kNotEven);
  }
}

}  // namespace
