// The saved outside engines as someone may leave the settings file: an entry's command emptied by
// hand (the choices stay with their engines), commas outside quotes, options that partly do not
// read; and what the client found out kept for the next start.
#include "game/engine_choice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "game/outside/option_settings.h"
#include "runtime/system/settings.h"

namespace {

using outside::Numbering;
using outside::Protocol;

class EngineChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(path_.c_str());
    runtime::UseSettingsFile(path_);
  }
  void TearDown() override {
    runtime::UseSettingsFile("");
    std::remove(path_.c_str());
  }
  void Write(const std::string& text) { std::ofstream(path_) << text; }

  // Each test a file of its own: CTest runs them side by side.
  const std::string path_ = ::testing::TempDir() +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                            ".ini";
};

TEST_F(EngineChoice, HandEditedEntriesKeepTheirPlaces) {
  Write(
      "[engines]\n"
      "count=3\n"
      "1\\name=A\n1\\command=/usr/games/a\n"
      "2\\name=Gone\n2\\command=\n"
      "3\\name=C, the third\n3\\command=/usr/games/c --x, y\n3\\protocol=2\n3\\numbering=2\n"
      "3\\options=\"Hash=64; Threads; Book=a\\\\;b\"\n"
      "opponent=3\nanalyst=2\n");
  const std::vector<game::OutsideEngine> saved = game::SavedEngines();
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[1].name, "C, the third");
  EXPECT_EQ(saved[1].command, "/usr/games/c --x, y");
  EXPECT_EQ(saved[1].protocol, Protocol::kUcci);
  EXPECT_EQ(saved[1].numbering, Numbering::kFromOne);
  EXPECT_EQ(game::OpponentEngine(), 2);  // still C, not past the list
  EXPECT_EQ(game::AnalystEngine(), 0);   // the emptied entry: the built-in engine
  game::ChooseAnalystEngine(1);
  EXPECT_EQ(game::AnalystEngine(), 1);

  const outside::EngineConfig config = game::ConfigFor(saved[1]);
  EXPECT_EQ(config.protocol, Protocol::kUcci);
  EXPECT_EQ(config.options, (outside::OptionSettings{{"Hash", "64"}, {"Book", "a;b"}}));
  EXPECT_EQ(config.notices.size(), 1u);

  // Saved again, in the order given: the list packs, what was found stays.
  game::SaveEngines(saved);
  EXPECT_EQ(game::SavedEngines(), saved);
}

TEST_F(EngineChoice, WhatTheClientFoundIsKeptWithTheEngine) {
  const std::string command = "'" XQ_SOURCE_DIR "/tests/support/fake_engine.sh' one-ranks";
  game::SaveEngines(
      {{"Other", "/usr/games/other", std::nullopt, ""}, {"Fake", command, std::nullopt, ""}});
  game::ChooseOpponentEngine(2);
  outside::EngineClient client(game::ConfigFor(game::SavedEngines()[1]));
  client.Start();
  engine::Position start;
  client.Go(start, {*engine::ParseIccs("h2e2")}, outside::GoLimits{.movetime_ms = 5000});
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  bool answered = false;
  while (!answered && client.state() != outside::EngineClient::State::kFailed &&
         std::chrono::steady_clock::now() < give_up) {
    for (const outside::EngineEvent& event : client.Poll())
      answered |= event.kind == outside::EngineEvent::Kind::kBestMove;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(answered) << client.FailureMessage();
  game::RememberFound(command, client);
  const std::vector<game::OutsideEngine> saved = game::SavedEngines();
  EXPECT_EQ(saved[1].protocol, Protocol::kUci);
  EXPECT_EQ(saved[1].numbering, Numbering::kFromOne);
  EXPECT_EQ(saved[0].protocol, Protocol::kUnknown);
  EXPECT_EQ(game::OpponentEngine(), 2);
  client.Quit();
}

}  // namespace
