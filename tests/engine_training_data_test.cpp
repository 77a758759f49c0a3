// The self-play file for training: records read back to what was written and refuse what this
// format never writes; a file is indexed game by game, continued after a cut, and its games are
// the same whichever thread plays them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "engine/training_data.h"

namespace {

using engine::Record;

TEST(EngineTrainingData, PositionsReadBackAsWritten) {
  std::mt19937_64 rng(7);
  const int scores[] = {0, -32768, 32767, 1234, -5};
  for (int walk = 0; walk < 40; ++walk) {
    engine::Position pos;
    for (int ply = 0; ply < walk * 3 % 61; ++ply) {
      auto moves = pos.LegalMoves();
      if (moves.empty()) break;
      pos.MakeMove(moves[rng() % moves.size()]);
    }
    auto moves = pos.LegalMoves();
    engine::Move best = moves.empty() ? engine::kNoMove : moves[rng() % moves.size()];
    Record record = engine::EncodePosition(pos, scores[walk % 5], best, walk % 3);
    std::string error;
    auto back = engine::DecodePosition(record, &error);
    ASSERT_TRUE(back) << pos.Fen() << ": " << error;
    EXPECT_EQ(back->pos.Fen().substr(0, back->pos.Fen().find(' ') + 2),
              pos.Fen().substr(0, pos.Fen().find(' ') + 2));
    EXPECT_EQ(back->score, scores[walk % 5]);
    EXPECT_EQ(back->best, best);
    EXPECT_EQ(back->result, walk % 3);
    EXPECT_EQ(engine::EncodePosition(back->pos, back->score, back->best, back->result), record);
  }
}

TEST(EngineTrainingData, RecordsThisFormatNeverWritesAreRefused) {
  // Black to move, in check from the chariot: three pieces.
  const auto pos = engine::Position::FromFen("4k4/9/9/9/9/9/9/9/4R4/3K5 b");
  ASSERT_TRUE(pos);
  const Record good = engine::EncodePosition(*pos, 10, {85, 84}, 1);
  struct Case {
    const char* name;
    size_t byte;
    uint8_t value;
  };
  const Case cases[] = {
      {"reserved bits", 11, uint8_t(good[11] | 0x04)},
      {"a bad piece code", 12, uint8_t((good[12] & 0xF0) | 8)},
      {"a code past the last piece", 27, 0x10},
      {"red to move with black in check", 11, uint8_t(good[11] ^ 0x80)},
      {"a result of 3", 31, uint8_t(good[31] | 0xC0)},
  };
  ASSERT_TRUE(engine::DecodePosition(good));
  for (const Case& c : cases) {
    Record bad = good;
    bad[c.byte] = c.value;
    std::string error;
    EXPECT_FALSE(engine::DecodePosition(bad, &error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

std::string Bytes(const std::vector<Record>& records) {
  std::string bytes;
  for (const Record& r : records) bytes.append(reinterpret_cast<const char*>(r.data()), r.size());
  return bytes;
}

TEST(EngineTrainingData, FilesAreIndexedGameByGame) {
  const Record position = engine::EncodePosition(engine::Position(), 0, engine::kNoMove, 1);
  const Record first = engine::EncodeGameHeader({0, 2, 500, 9});
  const Record second = engine::EncodeGameHeader({5, 3, 500, 9});
  std::string two = Bytes({first, position, position, second, position, position, position});
  std::istringstream whole(two);
  auto index = engine::IndexTrainingData(whole);
  ASSERT_EQ(index.games.size(), 2u);
  EXPECT_EQ(index.games[1].number, 5u);
  EXPECT_EQ(index.complete_bytes, two.size());
  std::istringstream cut(two.substr(0, two.size() - 40));  // in the second game's last record
  index = engine::IndexTrainingData(cut);
  EXPECT_EQ(index.games.size(), 1u);
  EXPECT_EQ(index.complete_bytes, 3 * engine::kRecordBytes);
  EXPECT_TRUE(index.error.empty());
  std::istringstream short_game(Bytes({second, position, first}));
  EXPECT_FALSE(engine::IndexTrainingData(short_game).error.empty());
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The games of a file, by number, whatever order the threads wrote them in.
std::map<uint64_t, std::string> Games(const std::string& bytes) {
  std::map<uint64_t, std::string> games;
  size_t at = 0;
  while (at < bytes.size()) {
    Record header;
    std::copy_n(bytes.begin() + long(at), engine::kRecordBytes, header.begin());
    auto game = engine::DecodeGameHeader(header);
    if (!game) break;
    size_t length = engine::kRecordBytes * (game->positions + 1);
    games[game->number] = bytes.substr(at, length);
    at += length;
  }
  return games;
}

TEST(EngineTrainingData, RunsContinueAndThreadsDoNotChangeTheGames) {
  const auto dir = std::filesystem::temp_directory_path();
  const std::string one = (dir / "xq_training_one.bin").string();
  const std::string two = (dir / "xq_training_two.bin").string();
  std::filesystem::remove(one);
  std::filesystem::remove(two);
  engine::TrainingDataOptions options;
  options.play.games = 3;
  options.play.nodes = 300;
  std::string error;
  ASSERT_TRUE(engine::WriteTrainingData(options, one, &error)) << error;
  options.threads = 2;
  options.play.games = 2;
  ASSERT_TRUE(engine::WriteTrainingData(options, two, &error)) << error;
  std::filesystem::resize_file(two, std::filesystem::file_size(two) - 40);  // cut in a game
  options.play.games = 3;
  ASSERT_TRUE(engine::WriteTrainingData(options, two, &error)) << error;
  EXPECT_EQ(Games(Read(one)), Games(Read(two)));
  EXPECT_EQ(Games(Read(two)).size(), 3u);
  options.play.seed = 2;
  EXPECT_FALSE(engine::WriteTrainingData(options, two, &error));
  std::filesystem::remove(one);
  std::filesystem::remove(two);
}

}  // namespace
