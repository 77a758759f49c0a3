#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "cli/engine_suite.h"
#include "game/twoply/position_text.h"
#include "game/twoply/rules.h"
#include "game/twoply/static_evaluation.h"
#include "tests/support/engine_positions.h"

namespace {

using testing_support::Fen;
using twoply::BoardArray;

class Evaluation : public testing::Test {
 protected:
  void SetUp() override { twoply::LoadEvaluationTables(); }
};

// The evaluation written out literally, step by step, with its four work tables and every
// candidate square put to CanReach: the reference the engine's faster walk must agree with.
struct Reference {
  int32_t mobility[11][10] = {};
  int32_t guard[11][10] = {};
  int32_t attack[11][10] = {};
  int32_t value[11][10] = {};

  static std::vector<twoply::Square> Related(const BoardArray& board, int y, int x) {
    std::vector<twoply::Square> list;
    twoply::Square at{uint8_t(x), uint8_t(y)};
    auto onBoard = [](int row, int col) { return row >= 1 && row <= 10 && col >= 1 && col <= 9; };
    auto reach = [&](int row, int col) {
      if (!onBoard(row, col)) return;
      twoply::Square to{uint8_t(col), uint8_t(row)};
      if (twoply::CanReach(at, to, board)) list.push_back(to);
    };
    auto ray = [&](int dr, int dc, bool cannon) {
      bool screened = false;
      for (int row = y + dr, col = x + dc; onBoard(row, col); row += dr, col += dc) {
        bool occupied = board(row, col) != twoply::Empty;
        if (!cannon || screened) {
          if (occupied || !cannon) list.push_back({uint8_t(col), uint8_t(row)});
          if (occupied) return;
        } else if (occupied) {
          screened = true;
        } else {
          list.push_back({uint8_t(col), uint8_t(row)});
        }
      }
    };
    uint8_t p = board(y, x);
    switch (p) {
      case 1:
      case 8:
      case 5:
      case 12: {
        std::vector<int> rows = {1, 2, 3, 8, 9, 10};
        if (p == 5) rows = {1, 2, 3};
        if (p == 12) rows = {8, 9, 10};
        for (int row : rows)
          for (int col = 4; col <= 6; ++col) reach(row, col);
        break;
      }
      case 6:
      case 13:
        for (auto [dc, dr] : {std::pair{2, 2}, {2, -2}, {-2, 2}, {-2, -2}}) reach(y + dr, x + dc);
        break;
      case 3:
      case 10:
        for (auto [dc, dr] :
             {std::pair{2, 1}, {2, -1}, {-2, 1}, {-2, -1}, {1, 2}, {1, -2}, {-1, 2}, {-1, -2}})
          reach(y + dr, x + dc);
        break;
      case 2:
      case 9:
      case 4:
      case 11: {
        bool cannon = p == 4 || p == 11;
        ray(0, 1, cannon);
        ray(0, -1, cannon);
        ray(1, 0, cannon);
        ray(-1, 0, cannon);
        break;
      }
      case 14:
        if (y - 1 >= 1) list.push_back({uint8_t(x), uint8_t(y - 1)});
        if (y <= 5 && x + 1 <= 9) list.push_back({uint8_t(x + 1), uint8_t(y)});
        if (y <= 5 && x - 1 >= 1) list.push_back({uint8_t(x - 1), uint8_t(y)});
        break;
      case 7:
        if (y + 1 <= 10) list.push_back({uint8_t(x), uint8_t(y + 1)});
        if (y >= 6 && x + 1 <= 9) list.push_back({uint8_t(x + 1), uint8_t(y)});
        if (y >= 6 && x - 1 >= 1) list.push_back({uint8_t(x - 1), uint8_t(y)});
        break;
      default:
        break;
    }
    return list;
  }

  int32_t Evaluate(twoply::Side side, const BoardArray& board) {
    const int32_t pieceValue[15] = {0,     10000, 1400, 700, 700, 250, 250, 100,
                                    10000, 1400,  700,  700, 250, 250, 100};
    const int32_t weight[15] = {0, 0, 6, 12, 6, 1, 1, 15, 0, 6, 12, 6, 1, 1, 15};
    for (int y = 1; y <= 10; ++y)
      for (int x = 1; x <= 9; ++x) {
        uint8_t p = board(y, x);
        if (p == twoply::Empty) continue;
        for (twoply::Square t : Related(board, y, x)) {
          uint8_t q = board(t.row, t.col);
          if (q == twoply::Empty) {
            mobility[y][x] += 1;
          } else if (twoply::SameSide(p, q)) {
            guard[t.row][t.col] += 1;
          } else {
            attack[t.row][t.col] += 1;
            mobility[y][x] += 1;
            if ((q == 1 || q == 8) && twoply::SideOf(q) != side) return 18888;
            if (q == 1 || q == 8) continue;
            double sum = attack[t.row][t.col] + ((pieceValue[q] - pieceValue[p]) / 10.0 + 30) / 10;
            attack[t.row][t.col] = int32_t(std::trunc(sum));
          }
        }
      }
    for (int y = 1; y <= 10; ++y)
      for (int x = 1; x <= 9; ++x) {
        uint8_t p = board(y, x);
        if (p == twoply::Empty) continue;
        if (p == 7)
          value[y][x] = pieceValue[p] + twoply::ComputerSoldierBonus(y, x);
        else if (p == 14)
          value[y][x] = pieceValue[p] + twoply::HumanSoldierBonus(y, x);
        else
          value[y][x] = 1 + weight[p] * mobility[y][x];
      }
    int32_t total[2] = {0, 0};
    for (int y = 1; y <= 10; ++y)
      for (int x = 1; x <= 9; ++x) {
        uint8_t p = board(y, x);
        if (p == twoply::Empty) continue;
        int32_t h = int32_t(std::trunc(pieceValue[p] / 16.0));
        value[y][x] += pieceValue[p];
        if (attack[y][x] != 0) {
          if (twoply::SideOf(p) == side) {
            if (p == 1 || p == 8) {
              value[y][x] -= 20;
            } else {
              value[y][x] -= 2 * h;
              if (guard[y][x] != 0) value[y][x] += h;
            }
          } else {
            value[y][x] -= 10 * h;
            if (guard[y][x] != 0) value[y][x] += 9 * h;
          }
          value[y][x] -= attack[y][x];
        } else if (guard[y][x] != 0) {
          value[y][x] += 5;
        }
        total[twoply::SideOf(p)] += value[y][x];
      }
    return side == twoply::Computer ? total[0] - total[1] : total[1] - total[0];
  }
};

TEST_F(Evaluation, TablesAsLoaded) {
  const int32_t values[7] = {10000, 1400, 700, 700, 250, 250, 100};
  const int16_t weights[7] = {0, 6, 12, 6, 1, 1, 15};
  for (int code = 1; code <= 14; ++code) {
    EXPECT_EQ(twoply::PieceValue[code], values[(code - 1) % 7]) << code;
    EXPECT_EQ(twoply::MobilityWeight[code], weights[(code - 1) % 7]) << code;
  }
  EXPECT_EQ(twoply::HumanSoldierBonus(3, 5), 150);
  EXPECT_EQ(twoply::HumanSoldierBonus(4, 1), 100);
  EXPECT_EQ(twoply::HumanSoldierBonus(2, 3), 140);
  EXPECT_EQ(twoply::HumanSoldierBonus(6, 5), 0);
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col)
      EXPECT_EQ(twoply::ComputerSoldierBonus(row, col), twoply::HumanSoldierBonus(11 - row, col));
}

TEST_F(Evaluation, StartingPositionIsEvenAndTheFirstCannonMoveIsNot) {
  BoardArray start = Fen(testing_support::kStartFen);
  EXPECT_EQ(twoply::Evaluate(twoply::Computer, start), 0);
  EXPECT_EQ(twoply::Evaluate(twoply::Human, start), 0);
  BoardArray central = Fen("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/4C2C1/9/RNBAKABNR");
  EXPECT_EQ(twoply::Evaluate(twoply::Computer, central), 35);
  EXPECT_EQ(twoply::Evaluate(twoply::Human, central), 13);
}

TEST_F(Evaluation, EachCannonAttacksTheHorseBehindTheOtherCannon) {
  Reference reference;
  reference.Evaluate(twoply::Computer, Fen(testing_support::kStartFen));
  // Cannon over cannon onto the horse: 1 and the exchange term (700 - 700) / 10 + 30) / 10 = 3.
  EXPECT_EQ(reference.attack[1][2], 4);
  EXPECT_EQ(reference.attack[10][8], 4);
  EXPECT_EQ(reference.guard[1][2], 1);  // its chariot
}

TEST_F(Evaluation, TakingTheOtherGeneralScoresAtOnce) {
  // The human chariot sees the computer's General down the open column.
  BoardArray board = Fen("4k4/9/9/9/9/9/9/9/4R4/3K5");
  EXPECT_EQ(twoply::Evaluate(twoply::Human, board), 18888);
  EXPECT_NE(twoply::Evaluate(twoply::Computer, board), 18888);
  // Facing Generals relate to each other: either side to move can take.
  BoardArray facing = Fen("4k4/9/9/9/9/9/9/9/9/4K4");
  EXPECT_EQ(twoply::Evaluate(twoply::Human, facing), 18888);
  EXPECT_EQ(twoply::Evaluate(twoply::Computer, facing), 18888);
  // Even with the side to move's own General attacked as well.
  BoardArray both = Fen("4k4/9/9/9/9/9/9/9/4R4/3K1r3");
  EXPECT_EQ(twoply::Evaluate(twoply::Human, both), 18888);
  EXPECT_EQ(twoply::Evaluate(twoply::Computer, both), 18888);
}

TEST_F(Evaluation, HandCountedChariotAndGenerals) {
  // Computer General (1,4): 2 empty steps; human chariot (10,1): 4 + 9 empty squares and its own
  // General, which it protects; human General (10,6): 2 empty steps.
  // k = 1 + 10000 = 10001; R = 1 + 6 * 13 + 1400 = 1479; K = 1 + 10000 + 5 = 10006.
  BoardArray board = Fen("3k5/9/9/9/9/9/9/9/9/R4K3");
  EXPECT_EQ(twoply::Evaluate(twoply::Computer, board), 10001 - (1479 + 10006));
  EXPECT_EQ(twoply::Evaluate(twoply::Human, board), (1479 + 10006) - 10001);
}

TEST_F(Evaluation, SoldiersCountTheirValueTwiceAndTheirPlaceOnce) {
  // Across the river on (3,5): 100 + 150 + 100; at home on (7,5): 100 + 0 + 100.
  EXPECT_EQ(twoply::Evaluate(twoply::Human, Fen("3k5/9/4P4/9/9/9/9/9/9/5K3")), 350);
  EXPECT_EQ(twoply::Evaluate(twoply::Human, Fen("3k5/9/9/9/9/9/4P4/9/9/5K3")), 200);
  EXPECT_EQ(twoply::Evaluate(twoply::Computer, Fen("3k5/9/9/9/9/9/4P4/9/9/5K3")), -200);
}

TEST_F(Evaluation, EachAttackersTermIsCutInBoardOrder) {
  // Computer advisor (2,5), attacked by a human soldier (3,5) and a human horse.
  // Horse first, on (1,3): trunc(1 - 1.5) = 0, then trunc(0 + 1 + 4.5) = 5.
  //   k 10001 + 5 (the advisor guards it); a 1 + 3 + 250, less 2 * 15 and 5 (computer to
  //   move) or 10 * 15 and 5 (human to move); P 350; N 1 + 12 * 4 + 700 = 749; K 10001.
  BoardArray horseFirst = Fen("2N2k3/4a4/4P4/9/9/9/9/9/9/3K5");
  EXPECT_EQ(twoply::Evaluate(twoply::Computer, horseFirst), (10006 + 219) - (749 + 350 + 10001));
  EXPECT_EQ(twoply::Evaluate(twoply::Human, horseFirst), (749 + 350 + 10001) - (10006 + 99));
  // Horse second, on (4,6): trunc(1 + 4.5) = 5, then trunc(5 + 1 - 1.5) = 4; N 1 + 12 * 8 + 700.
  BoardArray soldierFirst = Fen("5k3/4a4/4P4/5N3/9/9/9/9/9/3K5");
  EXPECT_EQ(twoply::Evaluate(twoply::Computer, soldierFirst), (10006 + 220) - (797 + 350 + 10001));
  EXPECT_EQ(twoply::Evaluate(twoply::Human, soldierFirst), (797 + 350 + 10001) - (10006 + 100));
  Reference first, second;
  first.Evaluate(twoply::Computer, horseFirst);
  second.Evaluate(twoply::Computer, soldierFirst);
  EXPECT_EQ(first.attack[2][5], 5);
  EXPECT_EQ(second.attack[2][5], 4);
}

TEST_F(Evaluation, WeakAttacksCountAsNoneOrAsNegative) {
  // A horse alone on an elephant: trunc(1 - 1.5) = 0, so the elephant counts as not attacked.
  // A chariot alone on a soldier: 1 - 10 = -9, which counts as attacked.
  Reference elephant;
  BoardArray board = Fen("3k5/4a4/9/2n6/4B4/9/9/9/9/5K3");
  // The horse (4,3) reaches (5,5) over its free leg (4,4).
  elephant.Evaluate(twoply::Computer, board);
  EXPECT_EQ(elephant.attack[5][5], 0);
  // k 10001 + 5 (its advisor guards it); a 1 + 3 + 250; n 1 + 12 * 8 + 700; B 1 + 2 + 250, no
  // threat taken off; K 10001.
  EXPECT_EQ(twoply::Evaluate(twoply::Computer, board), (10006 + 254 + 797) - (253 + 10001));
  Reference soldier;
  BoardArray rook = Fen("3k5/9/9/4r4/9/4P4/9/9/9/5K3");
  soldier.Evaluate(twoply::Human, rook);
  EXPECT_EQ(soldier.attack[6][5], -9);
}

TEST_F(Evaluation, AgreesWithTheLiteralEvaluationEverywhere) {
  std::mt19937 random(7);
  int checked = 0;
  for (int trial = 0; trial < 600; ++trial) {
    BoardArray board = testing_support::RandomBoard(random, 2 + trial % 36);
    for (twoply::Side side : {twoply::Computer, twoply::Human}) {
      Reference reference;
      ASSERT_EQ(twoply::Evaluate(side, board), reference.Evaluate(side, board))
          << twoply::FormatFen(board, side);
      ++checked;
    }
  }
  for (const char* fen : cli::kEngineSuite) {
    BoardArray board = Fen(fen);
    for (twoply::Side side : {twoply::Computer, twoply::Human}) {
      Reference reference;
      EXPECT_EQ(twoply::Evaluate(side, board), reference.Evaluate(side, board)) << fen;
    }
  }
  EXPECT_EQ(checked, 1200);
}

TEST_F(Evaluation, RelatedSquaresInListingOrder) {
  BoardArray board = Fen(testing_support::kStartFen);
  for (const char* fen : cli::kEngineSuite) {
    BoardArray b = Fen(fen);
    for (int row = 1; row <= 10; ++row)
      for (int col = 1; col <= 9; ++col) {
        twoply::ListRelatedSquares(row, col, b);
        std::vector<twoply::Square> literal = Reference::Related(b, row, col);
        ASSERT_EQ(twoply::RelatedCount, int32_t(literal.size())) << fen << " " << row << "," << col;
        for (int32_t i = 1; i <= twoply::RelatedCount; ++i)
          EXPECT_EQ(twoply::RelatedSquares[i], literal[i - 1]);
      }
  }
  twoply::ListRelatedSquares(2, 5, board);  // an empty square
  EXPECT_EQ(twoply::RelatedCount, 0);
}

}  // namespace
