#include <gtest/gtest.h>

#include <vector>

#include "game/twoply/position_text.h"
#include "tests/support/engine_positions.h"

namespace {

using twoply::ParseFen;

std::string Refusal(const std::string& fen) {
  std::string error;
  EXPECT_FALSE(ParseFen(fen, error).has_value()) << fen;
  return error;
}

TEST(Notation, FenReadsRanksFromTheComputersBackRow) {
  std::string error;
  auto start = ParseFen(std::string(testing_support::kStartFen) + " w - - 0 1", error);
  ASSERT_TRUE(start.has_value()) << error;
  twoply::SetInitialPosition();
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) EXPECT_EQ(start->board(row, col), twoply::Board(row, col));
  EXPECT_EQ(start->side, twoply::Human);
  EXPECT_EQ(twoply::FormatFen(start->board, twoply::Computer),
            std::string(testing_support::kStartFen) + " b");
  auto noSide = ParseFen("9/9/9/9/9/9/9/9/9/9", error);
  ASSERT_TRUE(noSide.has_value());
  EXPECT_FALSE(noSide->side.has_value());
  EXPECT_EQ(ParseFen("4k4/9/9/9/9/9/9/9/9/4K4 b", error)->side, twoply::Computer);
}

TEST(Notation, FenRefusalsSayWhatIsWrong) {
  EXPECT_NE(Refusal("").find("empty"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/9/9/9/9/9").find("9 ranks"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/9/9/9/9/9/9/9").find("more than 10"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/9/9/9/9/9/4x4").find("'x'"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/8/9/9/9/9/9").find("rank 5"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/45/9/9/9/9/9").find("two digits"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/9/9/9/9/9/9\x01").find("byte 1"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/9/9/9/9/9/9R").find("rank 10"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/9/9/9/9/9/8").find("rank 10"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/9/9/9/9/9/9 r").find("side"), std::string::npos);
  EXPECT_NE(Refusal("9/9/9/9/9/9/9/9/9/9 w x").find("'x'"), std::string::npos);
  Refusal("9/9/9/9/9/9/9/9/9/9 w - - 0 1 7");  // too many fields
  Refusal("9/9/9/9/9/9/9/9/9/0a8");            // no empty run of zero
  Refusal("9//9/9/9/9/9/9/9/9");
}

TEST(Notation, IccsCoordinates) {
  auto move = twoply::ParseIccsMove("b2e2");
  ASSERT_TRUE(move.has_value());
  EXPECT_EQ(move->from, (twoply::Square{2, 8}));
  EXPECT_EQ(move->to, (twoply::Square{5, 8}));
  EXPECT_EQ(twoply::ParseIccsMove("B2-E2"), move);
  auto corners = twoply::ParseIccsMove("a9i0");
  ASSERT_TRUE(corners.has_value());
  EXPECT_EQ(corners->from, (twoply::Square{1, 1}));
  EXPECT_EQ(corners->to, (twoply::Square{9, 10}));
  EXPECT_EQ(twoply::FormatIccsMove(*corners), "a9i0");
  for (const char* bad : {"", "b2e", "b2e22", "j2e2", "b2ea", "b2+e2", "b2-e2x", "2be2"})
    EXPECT_FALSE(twoply::ParseIccsMove(bad).has_value()) << bad;
}

std::vector<uint8_t> Record(size_t bodyBytes, uint8_t fill = 0) {
  std::vector<uint8_t> bytes = {0xcf, 0xf3, 0xc6, 0xe5, 0xc6, 0xe5, 0xbe, 0xd6};
  for (size_t i = 0; i < bodyBytes; ++i)
    bytes.push_back(i < 90 ? twoply::InitialLayout[i + 1] : fill);
  return bytes;
}

TEST(Notation, GameRecords) {
  std::string error;
  auto board = twoply::ParseRecord(Record(90), error);
  ASSERT_TRUE(board.has_value()) << error;
  EXPECT_EQ((*board)(1, 1), 2);
  EXPECT_EQ((*board)(10, 5), 8);
  EXPECT_TRUE(twoply::ParseRecord(Record(120, 0xff), error).has_value());  // the rest is ignored
  EXPECT_FALSE(twoply::ParseRecord(Record(89), error).has_value());
  EXPECT_NE(error.find("fewer than 90"), std::string::npos);
  EXPECT_FALSE(twoply::ParseRecord(Record(0), error).has_value());
  std::vector<uint8_t> header = Record(90);
  header[3] = 0;
  EXPECT_FALSE(twoply::ParseRecord(header, error).has_value());
  EXPECT_FALSE(twoply::ParseRecord(std::vector<uint8_t>(5, 0xcf), error).has_value());
  std::vector<uint8_t> unknown = Record(90);
  unknown[8 + 40] = 15;
  EXPECT_FALSE(twoply::ParseRecord(unknown, error).has_value());
  EXPECT_NE(error.find("15"), std::string::npos);
}

}  // namespace
