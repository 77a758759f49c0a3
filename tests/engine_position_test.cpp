// The full-rules position: move counts against a reference engine's perft, FEN in and out, ICCS,
// and keys and undo that agree with a position built from scratch.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/evaluation.h"
#include "engine/position.h"

namespace {

using engine::Position;

struct PerftCase {
  const char* fen;
  int depth;
  uint64_t leaves;
};

// Counts from fairy-stockfish's "go perft" (UCI_Variant xiangqi) on the same FENs.
const PerftCase kPerftCases[] = {
    {engine::kStartFen, 1, 44},
    {engine::kStartFen, 2, 1920},
    {engine::kStartFen, 3, 79666},
    {engine::kStartFen, 4, 3290240},
    {"r1ba1a3/4kn3/2n1b4/pNp1p1p1p/4c4/6P2/P1P2R2P/1CcC5/9/2BAKAB2 w - - 0 1", 3, 43929},
    {"1cbak4/9/n2a5/2p1p3p/5cp2/2n2N3/6PCP/3AB4/2C6/3A1K1N1 w - - 0 1", 3, 8620},
    {"5a3/3k5/3aR4/9/5r3/5n3/9/3A1A3/5K3/2BC2B2 w - - 0 1", 3, 9850},
    {"CRN1k1b2/3ca4/4ba3/9/2nr5/9/9/4B4/4A4/4KA3 w - - 0 1", 4, 395483},
    {"R1N1k1b2/9/3aba3/9/2nr5/2B6/9/4B4/4A4/4KA3 w - - 0 1", 3, 7626},
    {"C1nNk4/9/9/9/9/9/n1pp5/B3C4/9/3A1K3 w - - 0 1", 4, 64971},
    {"4ka3/4a4/9/9/4N4/p8/9/4C3c/7n1/2BK5 w - - 0 1", 4, 149272},
    {"2b1ka3/9/b3N4/4n4/9/9/9/4C4/2p6/2BK5 w - - 0 1", 3, 3883},
    {"1rbakabn1/5C2r/1c7/p1p1p1p1p/9/8P/P1P1P1P2/2N4c1/4K4/R1BA1AB1R b - - 0 1", 3, 84560},
    {"2bakab2/3r5/6n2/p1p1p3p/3C2p2/5c1R1/P1c1P1P1P/1r7/3RN4/2BAKAB2 b - - 0 1", 3, 146092},
};

TEST(EnginePosition, PerftMatchesTheReferenceCounts) {
  for (const auto& c : kPerftCases) {
    auto pos = Position::FromFen(c.fen);
    ASSERT_TRUE(pos) << c.fen;
    std::string before = pos->Fen();
    uint64_t key = pos->Key();
    EXPECT_EQ(engine::Perft(*pos, c.depth), c.leaves) << c.fen << " depth " << c.depth;
    EXPECT_EQ(pos->Fen(), before);
    EXPECT_EQ(pos->Key(), key);
    uint64_t total = 0;
    for (const auto& [move, count] : engine::PerftDivide(*pos, c.depth)) total += count;
    EXPECT_EQ(total, c.leaves) << c.fen;
  }
}

TEST(EnginePosition, KeysAndUndoAgreeWithAFreshPosition) {
  // Walk a deterministic line of legal moves; at every step the incremental key must equal the
  // key of the same position parsed from its FEN, and undoing everything must restore the start.
  auto pos =
      Position::FromFen("2bakab2/3r5/6n2/p1p1p3p/3C2p2/5c1R1/P1c1P1P1P/1r7/3RN4/2BAKAB2 b - - 0 1");
  ASSERT_TRUE(pos);
  const std::string start = pos->Fen();
  int made = 0;
  for (int i = 0; i < 60; ++i) {
    auto moves = pos->LegalMoves();
    if (moves.empty()) break;
    pos->MakeMove(moves[(i * 7 + 3) % moves.size()]);
    ++made;
    auto fresh = Position::FromFen(pos->Fen());
    ASSERT_TRUE(fresh) << pos->Fen();
    EXPECT_EQ(fresh->Key(), pos->Key()) << pos->Fen();
    EXPECT_EQ(fresh->PieceSquareScore(), pos->PieceSquareScore()) << pos->Fen();
  }
  EXPECT_EQ(pos->Ply(), size_t(made));
  while (made-- > 0) pos->UnmakeMove();
  EXPECT_EQ(pos->Fen(), start);
}

TEST(EnginePosition, GeneralsNeverFaceAndChecksAreSeen) {
  // The advisor between the generals may not leave the file; only the general's two steps remain.
  auto pinned = Position::FromFen("4k4/9/9/9/9/9/9/9/4A4/4K4 w");
  ASSERT_TRUE(pinned);
  auto moves = pinned->LegalMoves();
  ASSERT_EQ(moves.size(), 2u);
  for (auto m : moves) EXPECT_EQ(m.from, 4);
  // A cannon checks over a screen; a horse with its leg blocked does not.
  auto cannon = Position::FromFen("4k4/9/9/9/9/9/4c4/9/4A4/4K4 w");
  ASSERT_TRUE(cannon);
  EXPECT_TRUE(cannon->InCheck());
  auto two_screens = Position::FromFen("4k4/9/9/9/4c4/9/4P4/9/4A4/4K4 w");
  ASSERT_TRUE(two_screens);
  EXPECT_FALSE(two_screens->InCheck());
  auto lame = Position::FromFen("3k5/9/9/9/9/9/9/5n3/5N3/4K4 w");
  ASSERT_TRUE(lame);
  EXPECT_FALSE(lame->InCheck());
  auto horse = Position::FromFen("3k5/9/9/9/9/9/9/5n3/9/4K4 w");
  ASSERT_TRUE(horse);
  EXPECT_TRUE(horse->InCheck());
  // Stalemate and mate both leave no legal move.
  auto stalemate = Position::FromFen("3k5/2R6/9/9/9/9/9/9/9/4K4 b");
  ASSERT_TRUE(stalemate);
  EXPECT_FALSE(stalemate->InCheck());
  EXPECT_TRUE(stalemate->NoLegalMoves());
  auto mate = Position::FromFen("1R1k5/R8/9/9/9/9/9/9/9/4K4 b");
  ASSERT_TRUE(mate);
  EXPECT_TRUE(mate->InCheck());
  EXPECT_TRUE(mate->NoLegalMoves());
  EXPECT_FALSE(Position().NoLegalMoves());
}

TEST(EnginePosition, FenRoundTrips) {
  const char* kFens[] = {
      engine::kStartFen,
      "1rbakabn1/5C2r/1c7/p1p1p1p1p/9/8P/P1P1P1P2/2N4c1/4K4/R1BA1AB1R b - - 0 1",
      "3k5/9/9/9/9/9/9/9/9/4K4 w - - 12 40",
      "C1nNk4/9/9/9/9/9/n1pp5/B3C4/9/3A1K3 b - - 3 7",
  };
  for (const char* fen : kFens) {
    auto pos = Position::FromFen(fen);
    ASSERT_TRUE(pos) << fen;
    EXPECT_EQ(pos->Fen(), fen);
  }
  // Side letters and the short form.
  EXPECT_EQ(Position::FromFen("3k5/9/9/9/9/9/9/9/9/4K4 r")->SideToMove(), engine::kRed);
  EXPECT_EQ(Position::FromFen("3k5/9/9/9/9/9/9/9/9/4K4")->SideToMove(), engine::kRed);
  EXPECT_EQ(Position::FromFen("3k5/9/9/9/9/9/9/9/9/4K4 b")->Fen(),
            "3k5/9/9/9/9/9/9/9/9/4K4 b - - 0 1");
  EXPECT_EQ(Position().Fen(), engine::kStartFen);
}

TEST(EnginePosition, FenRefusals) {
  struct Refusal {
    const char* fen;
    const char* reason;
  };
  const Refusal kRefusals[] = {
      {"", "empty"},
      {"3k5/9/9/9/9/9/9/9/4K4 w", "fewer than 10 ranks"},
      {"3k5/9/9/9/9/9/9/9/9/9/4K4 w", "more than 10 ranks"},
      {"3k6/9/9/9/9/9/9/9/9/4K4 w", "more than 9 files"},
      {"3k4/9/9/9/9/9/9/9/9/4K4 w", "does not have 9 files"},
      {"3k5/9/9/9/9/9/9/9/9/4K3 w", "9 files"},
      {"3k5/9/9/9/9/9/9/9/9/4X4 w", "unknown piece letter 'X'"},
      {"3k5/9/9/9/9/9/9/9/9/4K4 x", "side to move"},
      {"9/9/9/9/9/9/9/9/9/4K4 w", "black has no general"},
      {"3kk4/9/9/9/9/9/9/9/9/4K4 w", "more than one general"},
      {"3k5/9/9/9/9/9/9/9/9/R2RK1R2 w", "more than 2 chariots"},
      {"3k5/9/9/9/9/P1P1P1P1P/P8/9/9/4K4 w", "more than 5 soldiers"},
      {"3k5/9/9/9/9/9/9/9/9/K8 w", "general outside its palace"},
      {"3k5/9/9/9/9/9/9/9/9/A3K4 w", "advisor off its five points"},
      {"3k5/9/9/9/9/9/9/9/9/1B2K4 w", "elephant off its seven points"},
      {"3k5/9/9/9/9/9/9/9/4P4/4K4 w", "soldier on a square it can never reach"},
      {"3k5/9/9/9/9/9/1P7/9/9/4K4 w", "soldier on a square it can never reach"},
      {"3k5/9/9/9/9/9/9/9/9/3K5 w", "the generals face each other"},
      {"3k5/9/9/9/9/9/9/9/9/3rK4 b", "the side not to move is in check"},
  };
  for (const auto& r : kRefusals) {
    std::string error;
    EXPECT_FALSE(Position::FromFen(r.fen, &error)) << r.fen;
    EXPECT_NE(error.find(r.reason), std::string::npos) << r.fen << ": " << error;
  }
}

TEST(EnginePosition, IccsMoves) {
  auto m = engine::ParseIccs("h2e2");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->from, 2 * 9 + 7);
  EXPECT_EQ(m->to, 2 * 9 + 4);
  EXPECT_EQ(engine::ToIccs(*m), "h2e2");
  EXPECT_EQ(engine::ParseIccs("H2-E2"), m);
  for (const char* bad : {"", "h2e", "h2e22", "j2e2", "h2e:", "h2h2", "h2+e2", "h2 e2"})
    EXPECT_FALSE(engine::ParseIccs(bad)) << bad;
  Position start;
  EXPECT_TRUE(start.IsLegal(*engine::ParseIccs("h2e2")));
  EXPECT_TRUE(start.IsLegal(*engine::ParseIccs("h2h9")));   // over the screen onto the horse
  EXPECT_FALSE(start.IsLegal(*engine::ParseIccs("h2h8")));  // past the screen, nothing taken
  EXPECT_FALSE(start.IsLegal(*engine::ParseIccs("a9a8")));  // black's piece, red to move
}

}  // namespace

namespace {

// The same position seen from the other side: ranks reversed, colours swapped, the other to move;
// or reflected left to right.
std::string Flipped(const std::string& fen, bool colours) {
  std::string board = fen.substr(0, fen.find(' '));
  std::vector<std::string> ranks;
  size_t start = 0;
  for (size_t slash; (slash = board.find('/', start)) != std::string::npos; start = slash + 1)
    ranks.push_back(board.substr(start, slash - start));
  ranks.push_back(board.substr(start));
  std::string out;
  for (size_t i = 0; i < ranks.size(); ++i) {
    std::string rank = colours ? ranks[ranks.size() - 1 - i] : ranks[i];
    if (colours) {
      for (char& c : rank) c = std::isupper(c) ? char(std::tolower(c)) : char(std::toupper(c));
    } else {
      rank = std::string(rank.rbegin(), rank.rend());
    }
    out += (i ? "/" : "") + rank;
  }
  char side = fen[fen.find(' ') + 1];
  if (colours) side = side == 'w' ? 'b' : 'w';
  return out + " " + side;
}

TEST(EnginePosition, EvaluationIsTheSameFromEitherSide) {
  const char* kFens[] = {
      engine::kStartFen,
      "r1ba1a3/4kn3/2n1b4/pNp1p1p1p/4c4/6P2/P1P2R2P/1CcC5/9/2BAKAB2 w",
      "1cbak4/9/n2a5/2p1p3p/5cp2/2n2N3/6PCP/3AB4/2C6/3A1K1N1 w",
      "2bakab2/3r5/6n2/p1p1p3p/3C2p2/5c1R1/P1c1P1P1P/1r7/3RN4/2BAKAB2 b",
      "4ka3/4a4/9/9/4N4/p8/9/4C3c/7n1/2BK5 w",
  };
  for (const char* fen : kFens) {
    auto pos = Position::FromFen(fen);
    ASSERT_TRUE(pos) << fen;
    for (bool colours : {true, false}) {
      auto other = Position::FromFen(Flipped(fen, colours));
      ASSERT_TRUE(other) << Flipped(fen, colours);
      EXPECT_EQ(engine::Evaluate(*other), engine::Evaluate(*pos)) << Flipped(fen, colours);
      EXPECT_EQ(engine::Perft(*other, 2), engine::Perft(*pos, 2)) << Flipped(fen, colours);
    }
  }
}

}  // namespace
