// Moves as players write them: each notation's forms (every way of telling pieces apart, both
// colours), the spellings a reader meets, refusals, and over many positions: one form per legal
// move, read back to the same move, with the legal moves themselves checked against
// Fairy-Stockfish when it is installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "game/record/notation.h"

namespace {

using record::MoveError;
using record::Notation;

engine::Position At(const std::string& fen) {
  std::string error;
  auto pos = engine::Position::FromFen(fen, &error);
  EXPECT_TRUE(pos) << fen << ": " << error;
  return pos ? *pos : engine::Position();
}

std::string Read(const std::string& fen, const std::string& text) {
  record::MoveReading r = record::ReadMove(At(fen), text);
  return r.move ? engine::ToIccs(*r.move) : std::string("error: ") + record::MoveErrorText(r.error);
}

const std::string kStart = engine::kStartFen;
const std::string kStartBlack = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b";
const std::string kThreeSoldiers = "3k5/9/2P6/2P6/2P6/9/9/9/9/4K4 w";
const std::string kFourSoldiers = "5k3/2P6/2P6/2P6/2P6/9/9/9/9/4K4 w";
const std::string kFiveSoldiers = "2P2k3/2P6/2P6/2P6/2P6/9/9/9/9/4K4 w";
const std::string kTwoFiles = "5k3/9/2P6/2P3P2/2P3P2/9/9/9/9/4K4 w";
const std::string kBlackSoldiers = "5k3/9/9/9/9/2p6/2p6/2p6/9/4K4 b";
const std::string kRooks = "3k5/9/9/9/9/7R1/9/9/9/4K2R1 w";
const std::string kBlackCannons = "1c2k4/9/1c7/9/9/9/9/9/9/3K5 b";
const std::string kAdvisors = "3k5/9/9/9/9/9/9/3A5/9/3AK4 w";
const std::string kElephants = "3k5/9/9/9/9/2B6/9/9/9/2B1K4 w";

TEST(RecordNotation, WritesEachWayOfNamingAPiece) {
  struct Case {
    const std::string& fen;
    const char* iccs;
    const char* chinese;
    const char* wxf;
    const char* xboard;
  };
  const Case cases[] = {
      {kStart, "h2e2", "炮二平五", "C2.5", "Che2"},
      {kStart, "h0g2", "马二进三", "H2+3", "Hg2"},
      {kStart, "h2h9", "炮二进七", "C2+7", "Cxh9"},
      {kStart, "c3c4", "兵七进一", "P7+1", "c4"},
      {kStart, "f0e1", "仕四进五", "A4+5", "Afe1"},
      {kStart, "e0e1", "帅五进一", "K5+1", "Ke1"},
      // Black counts files from its own right with full-width digits.
      {kStartBlack, "h9g7", "马８进７", "H8+7", "Hg7"},
      {kStartBlack, "b7e7", "炮２平５", "C2.5", "Cbe7"},
      {kStartBlack, "a9a8", "车１进１", "R1+1", "Ra8"},
      // Two of a kind on one file: 前/后, + and -; black's front is nearer red.
      {kRooks, "h4h5", "前车进一", "R++1", "Rh5"},
      {kRooks, "h0h1", "后车进一", "R-+1", "R0h1"},
      {kRooks, "h4a4", "前车平九", "R+.9", "Ra4"},
      {kBlackCannons, "b7e7", "前炮平５", "C+.5", "Ce7"},
      {kBlackCannons, "b9b8", "后炮进１", "C-+1", "C9b8"},
      // Advisors and elephants keep their file: the direction tells them apart.
      {kAdvisors, "d0e1", "仕六进五", "A6+5", "A0e1"},
      {kAdvisors, "d2e1", "仕六退五", "A6-5", "A2e1"},
      {kElephants, "c0e2", "相七进五", "E7+5", "E0e2"},
      {kElephants, "c4e2", "相七退五", "E7-5", "E4e2"},
      // Soldiers: three, four and five on a file, and soldiers on two files.
      {kThreeSoldiers, "c7c8", "前兵进一", "P++1", "c8"},
      {kThreeSoldiers, "c6d6", "中兵平六", "P7.6", "d6"},
      {kThreeSoldiers, "c5b5", "后兵平八", "P-.8", "b5"},
      {kFourSoldiers, "c8b8", "一兵平八", "++.8", "b8"},
      {kFourSoldiers, "c7b7", "二兵平八", "P+.8", "b7"},
      {kFourSoldiers, "c6b6", "三兵平八", "P-.8", "b6"},
      {kFourSoldiers, "c5b5", "四兵平八", "--.8", "b5"},
      {kFiveSoldiers, "c9b9", "一兵平八", "++.8", "b9"},
      {kFiveSoldiers, "c7d7", "三兵平六", "P7.6", "d7"},
      {kFiveSoldiers, "c5d5", "五兵平六", "--.6", "d5"},
      {kTwoFiles, "c7b7", "前七平八", "7+.8", "b7"},
      {kTwoFiles, "c6b6", "中七平八", "77.8", "b6"},
      {kTwoFiles, "c5b5", "后七平八", "7-.8", "b5"},
      {kTwoFiles, "g6g7", "前三进一", "3++1", "g7"},
      {kTwoFiles, "g5h5", "后三平二", "3-.2", "h5"},
      {kBlackSoldiers, "c2c1", "前卒进１", "P++1", "c1"},
      {kBlackSoldiers, "c3b3", "中卒平２", "P3.2", "b3"},
      {kBlackSoldiers, "c4d4", "后卒平４", "P-.4", "d4"},
  };
  for (const Case& c : cases) {
    engine::Position pos = At(c.fen);
    engine::Move m = *engine::ParseIccs(c.iccs);
    ASSERT_TRUE(pos.IsLegal(m)) << c.fen << " " << c.iccs;
    EXPECT_EQ(record::WriteMove(pos, m, Notation::kChinese), c.chinese) << c.iccs;
    EXPECT_EQ(record::WriteMove(pos, m, Notation::kWxf), c.wxf) << c.iccs;
    EXPECT_EQ(record::WriteMove(pos, m, Notation::kIccs), c.iccs);
    EXPECT_EQ(record::WriteMove(pos, m, Notation::kXboard), c.xboard) << c.iccs;
    for (const char* text : {c.chinese, c.wxf, c.iccs, c.xboard})
      EXPECT_EQ(Read(c.fen, text), c.iccs) << c.fen << " " << text;
  }
  std::vector<engine::Move> line = {*engine::ParseIccs("h2e2"), *engine::ParseIccs("h9g7")};
  EXPECT_EQ(record::WriteLine(engine::Position(), line, Notation::kChinese),
            (std::vector<std::string>{"炮二平五", "马８进７"}));
}

TEST(RecordNotation, ReadsTheCommonSpellings) {
  struct Case {
    const std::string& fen;
    const char* text;
    const char* iccs;
  };
  const Case cases[] = {
      {kStart, "砲二平五", "h2e2"},
      {kStart, "包二平五", "h2e2"},
      {kStart, "炮2平5", "h2e2"},
      {kStart, "炮２平５", "h2e2"},
      {kStart, "馬二進三", "h0g2"},
      {kStart, "傌二进三", "h0g2"},
      {kStart, "車一進一", "i0i1"},
      {kStart, "俥九进一", "a0a1"},
      {kStart, "帥五進一", "e0e1"},
      {kStart, "士四进五", "f0e1"},
      {kStart, "象三进五", "g0e2"},
      {kStart, "卒三进一", "g3g4"},
      {kStartBlack, "马8进7", "h9g7"},
      {kStartBlack, "马八进七", "h9g7"},
      {kStartBlack, "將5进1", "e9e8"},
      {kStartBlack, "包２平５", "b7e7"},
      {kStart, "c2=5", "h2e2"},
      {kStart, "C25", "h2e2"},
      {kStart, "n2+3", "h0g2"},
      {kStart, "B3+5", "g0e2"},
      {kStart, "H2-E2", "h2e2"},
      {kStart, "h2-e2+", "h2e2"},
      {kStart, "Ch2e2", "h2e2"},
      {kStart, "Nhg2", "h0g2"},
      {kStart, "Ch2-e2", "h2e2"},
      {kStart, "c3c4", "c3c4"},
      {kRooks, "车前进一", "h4h5"},
      {kRooks, "後車进一", "h0h1"},
      {kRooks, "+R+1", "h4h5"},
      {kRooks, "-R+1", "h0h1"},
      {kRooks, "r+=9", "h4a4"},
      {kBlackCannons, "+C.5", "b7e7"},
      {kBlackCannons, "炮前平5", "b7e7"},
      {kFiveSoldiers, "前兵平八", "c9b9"},
      {kFiveSoldiers, "后兵平八", "c5b5"},
      {kFiveSoldiers, "中兵平八", "c7b7"},
      {kFiveSoldiers, "二兵平八", "c8b8"},
      {kTwoFiles, "前兵七平八", "c7b7"},
      {kTwoFiles, "二七平八", "c6b6"},
      {kThreeSoldiers, "兵七平六", "c6d6"},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.fen, c.text), c.iccs) << c.fen << " " << c.text;
}

TEST(RecordNotation, RefusesWithAReason) {
  struct Case {
    const std::string& fen;
    const char* text;
    MoveError error;
  };
  const Case cases[] = {
      {kStart, "炮二进九", MoveError::kIllegal},  // the cannon cannot leave the board
      {kStart, "马二平三", MoveError::kIllegal},  // a horse never moves sideways
      {kStart, "前炮平五", MoveError::kIllegal},  // no two cannons on a file
      {kStart, "h9g7", MoveError::kIllegal},      // black's move, red to play
      {kStart, "Ke2", MoveError::kIllegal},
      {kStart, "炮二平", MoveError::kUnreadable},
      {kStart, "炮二平五五", MoveError::kUnreadable},
      {kStart, "猫二平五", MoveError::kUnreadable},
      {kStart, "\xe7\x82", MoveError::kUnreadable},  // a broken UTF-8 sequence
      {kStart, "", MoveError::kUnreadable},
      {kStart, "Z2.5", MoveError::kUnreadable},
      {kStart, "C0.5", MoveError::kUnreadable},
      {kStart, "j2e2", MoveError::kUnreadable},
      {kRooks, "车二进一", MoveError::kAmbiguous},  // both rooks can
      {kRooks, "R2+1", MoveError::kAmbiguous},
      {kStart, "Ce2", MoveError::kAmbiguous},  // both cannons reach e2
      {kRooks, "Rh1", MoveError::kAmbiguous},
  };
  for (const Case& c : cases) {
    record::MoveReading r = record::ReadMove(At(c.fen), c.text);
    EXPECT_FALSE(r.move) << c.text;
    EXPECT_EQ(r.error, c.error) << c.text;
  }
}

// Random games from the opening and from positions crowded with soldiers, every position kept.
std::vector<engine::Position> Playouts() {
  std::vector<engine::Position> seen;
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  const std::string starts[] = {
      kStart,         kFiveSoldiers, kTwoFiles,
      kBlackSoldiers, kRooks,        "2bakab2/9/2n3n2/1P1P5/1P1P1P3/p1p6/2p6/1C2C4/R7r/2BAKAB2 w"};
  for (int game = 0; game < 48; ++game) {
    engine::Position pos = At(starts[game % std::size(starts)]);
    for (int ply = 0; ply < 120; ++ply) {
      seen.push_back(pos);
      std::vector<engine::Move> moves = pos.LegalMoves();
      if (moves.empty()) break;
      // Prefer quiet moves so that the armies stay big and the soldiers crowd up.
      engine::Move m = moves[next() % moves.size()];
      if (pos.PieceAt(m.to) != 0) m = moves[next() % moves.size()];
      pos.MakeMove(m);
    }
  }
  return seen;
}

TEST(RecordNotation, EveryLegalMoveHasOneFormThatReadsBack) {
  const Notation notations[] = {Notation::kChinese, Notation::kWxf, Notation::kIccs,
                                Notation::kXboard};
  size_t checked = 0;
  for (const engine::Position& pos : Playouts()) {
    std::vector<engine::Move> moves = pos.LegalMoves();
    for (Notation n : notations) {
      std::set<std::string> forms;
      for (engine::Move m : moves) {
        std::string text = record::WriteMove(pos, m, n);
        forms.insert(text);
        record::MoveReading r = record::ReadMove(pos, text);
        ASSERT_TRUE(r.move && *r.move == m) << pos.Fen() << " " << engine::ToIccs(m) << " written "
                                            << text << ": " << record::MoveErrorText(r.error);
        ++checked;
      }
      EXPECT_EQ(forms.size(), moves.size()) << pos.Fen();
    }
  }
  EXPECT_GT(checked, 100000u);
}

// Fairy-Stockfish's legal moves ("go perft 1") for each position, its ranks 1-10 made ICCS's 0-9.
std::vector<std::set<std::string>> FairyMoves(const std::vector<std::string>& fens) {
  std::string input = testing::TempDir() + "xq_fairy_" + std::to_string(getpid());
  std::ofstream commands(input);
  commands << "uci\nsetoption name UCI_Variant value xiangqi\n";
  for (const std::string& fen : fens) commands << "position fen " << fen << "\ngo perft 1\n";
  commands << "quit\n";
  commands.close();
  std::vector<std::set<std::string>> lists(1);
  FILE* out = popen(("/usr/games/fairy-stockfish <" + input).c_str(), "r");
  char line[256];
  while (out && fgets(line, sizeof line, out)) {
    std::string text = line;
    if (text.rfind("Nodes searched", 0) == 0) lists.emplace_back();
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 4 || text.find(' ') < colon) continue;
    std::string iccs;
    for (size_t i = 0; i < colon;) {
      iccs += text[i++];
      int rank = 0;
      while (i < colon && isdigit(text[i])) rank = rank * 10 + (text[i++] - '0');
      iccs += char('0' + rank - 1);
    }
    lists.back().insert(iccs);
  }
  if (out) pclose(out);
  std::remove(input.c_str());
  lists.pop_back();  // the one opened after the last count
  return lists;
}

TEST(RecordNotation, LegalMovesAgreeWithFairyStockfish) {
  if (access("/usr/games/fairy-stockfish", X_OK) != 0) GTEST_SKIP() << "no fairy-stockfish";
  std::vector<engine::Position> positions = Playouts();
  std::vector<std::string> fens;
  for (size_t i = 0; i < positions.size(); i += 2) fens.push_back(positions[i].Fen());
  std::vector<std::set<std::string>> theirs = FairyMoves(fens);
  ASSERT_EQ(theirs.size(), fens.size());
  for (size_t i = 0; i < fens.size(); ++i) {
    std::set<std::string> ours;
    for (engine::Move m : engine::Position::FromFen(fens[i])->LegalMoves())
      ours.insert(engine::ToIccs(m));
    EXPECT_EQ(ours, theirs[i]) << fens[i];
  }
  EXPECT_GT(fens.size(), 1500u);
  RecordProperty("positions", int(fens.size()));
}

}  // namespace
