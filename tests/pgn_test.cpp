// PGN in and out: the writer's layout, writer-to-reader round trips in every notation, and a
// table of files as they come (each notation, encoding, line end and dialect) and of broken files
// with the line and reason the reader gives.
#include "game/record/pgn.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/record/game_list.h"
#include "runtime/text_codec.h"
#include "tests/support/random_tree.h"

namespace {

using record::NodeId;
using record::Notation;
using record::PgnError;
using record::PgnGame;

std::string Iccs(const std::vector<engine::Move>& moves) {
  std::string out;
  for (engine::Move m : moves) {
    if (!out.empty()) out += ' ';
    out += engine::ToIccs(m);
  }
  return out;
}

PgnGame GameOf(const std::string& fen, const std::vector<const char*>& iccs) {
  PgnGame game;
  game.start = *engine::Position::FromFen(fen);
  for (const char* text : iccs) {
    game.moves.push_back(*engine::ParseIccs(text));
    game.comments.emplace_back();
  }
  return game;
}

TEST(Pgn, WritesTheChineseConvention) {
  PgnGame game = GameOf(engine::kStartFen, {"h2e2", "h9g7", "h0g2"});
  game.tags.Set("Event", "友谊赛");
  game.tags.Set("Red", "张三");
  game.tags.Set("Annotator", "李四");
  game.comments[0] = "中炮对屏风马";
  game.comments[2] = "正着 {不是 }";
  game.result = "1-0";
  game.ending = "认输";
  EXPECT_EQ(record::WritePgn(game, Notation::kChinese),
            "[Game \"Chinese Chess\"]\n"
            "[Event \"友谊赛\"]\n[Site \"?\"]\n[Date \"????.??.??\"]\n[Round \"?\"]\n"
            "[Red \"张三\"]\n[Black \"?\"]\n[Result \"1-0\"]\n[Format \"Chinese\"]\n"
            "[Termination \"认输\"]\n[Annotator \"李四\"]\n\n"
            "{中炮对屏风马} 1. 炮二平五 马８进７ {正着 {不是 ｝} 2. 马二进三 1-0\n");
  // Black to move first: the FEN is written and the first round starts with "1...".
  PgnGame black = GameOf("4k4/9/9/9/9/9/9/9/4R4/3K5 b", {"e9d9", "e1d1"});
  std::string text = record::WritePgn(black, Notation::kIccs);
  EXPECT_NE(text.find("[FEN \"4k4/9/9/9/9/9/9/9/4R4/3K5 b - - 0 1\"]\n[Format \"ICCS\"]\n"),
            std::string::npos);
  EXPECT_NE(text.find("\n1... E9-D9 2. E1-D1 *\n"), std::string::npos) << text;
}

// Random games, some from a position with few pieces, with tags and comments.
std::vector<PgnGame> RandomGames() {
  std::vector<PgnGame> games;
  unsigned seed = 777;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  const char* starts[] = {engine::kStartFen, "3k5/9/9/2P6/2P1P4/2P6/9/9/4R4/4K4 b",
                          "5k3/9/2P6/2P3P2/2P3P2/9/9/9/4R4/4K4 b"};
  for (int g = 0; g < 12; ++g) {
    PgnGame game;
    game.start = *engine::Position::FromFen(starts[g % 3]);
    game.tags.Set("Event", "第 " + std::to_string(g) + " 局 \"引号\" \\");
    game.tags.Set("Date", "2026.12.07");
    game.tags.Set("Opening", "中炮");
    engine::Position pos = game.start;
    for (int ply = 0; ply < 90 + g * 10; ++ply) {
      std::vector<engine::Move> moves = pos.LegalMoves();
      if (moves.empty()) break;
      engine::Move m = moves[next() % moves.size()];
      pos.MakeMove(m);
      game.moves.push_back(m);
      game.comments.push_back(next() % 5 == 0 ? "好棋 " + std::to_string(ply) : "");
    }
    game.result = pos.NoLegalMoves() ? (pos.SideToMove() == engine::kRed ? "0-1" : "1-0") : "*";
    if (pos.NoLegalMoves()) game.ending = pos.InCheck() ? "将死" : "困毙";
    games.push_back(std::move(game));
  }
  return games;
}

TEST(Pgn, WhatIsWrittenReadsBackInEveryNotation) {
  std::vector<PgnGame> games = RandomGames();
  for (Notation n : {Notation::kChinese, Notation::kWxf, Notation::kIccs, Notation::kXboard}) {
    std::string file;
    for (const PgnGame& game : games) file += record::WritePgn(game, n) + "\n";
    PgnError error;
    auto read = record::ReadPgn(file, &error);
    ASSERT_TRUE(read) << error.Text();
    ASSERT_EQ(read->size(), games.size());
    for (size_t i = 0; i < games.size(); ++i) {
      const PgnGame &a = games[i], &b = (*read)[i];
      EXPECT_EQ(Iccs(b.moves), Iccs(a.moves)) << int(n) << " game " << i;
      EXPECT_EQ(b.start.Fen(), a.start.Fen());
      EXPECT_EQ(b.comments, a.comments);
      EXPECT_EQ(b.result, a.result);
      EXPECT_EQ(b.ending, a.ending);
      for (const char* tag : {"Event", "Date", "Opening"})
        EXPECT_EQ(b.tags.Get(tag), a.tags.Get(tag));
      EXPECT_EQ(b.tags.Get("Game"), "Chinese Chess");
    }
  }
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Crlf(const std::string& text) {
  std::string out;
  for (char ch : text) out += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  return out;
}

const std::string kChinese =
    "[Red \"许银川\"]\n[Game \"Chinese Chess\"]\n[Black \"吕钦\"]\n[Result \"1-0\"]\n"
    "[Format \"Chinese\"]\n\n"
    "1. 炮二平五 {中炮} 马８进７ $1\n"
    "2. 马二进三 (2. 兵七进一 卒７进１) 车９平８ ; 横车\n"
    "3. 车一平二 !? 马２进３ 4.兵七进一 1-0\n";

TEST(Pgn, ReadsFilesAsTheyCome) {
  struct Case {
    const char* name;
    std::string bytes;
    size_t games;
    const char* moves;  // the first game's, in ICCS
    const char* result;
  };
  const char* main_line = "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 c3c4";
  const Case cases[] = {
      {"Chinese, tags in any order", kChinese, 1, main_line, "1-0"},
      {"with a byte-order mark and CRLF", "\xEF\xBB\xBF" + Crlf(kChinese), 1, main_line, "1-0"},
      {"GB18030", *runtime::Utf8ToGb(Crlf(kChinese)), 1, main_line, "1-0"},
      {"WXF", "[Format \"WXF\"]\n1. C2.5 H8+7 2. H2+3 R9.8 3. R1.2 H2+3 4. P7+1 *\n", 1, main_line,
       "*"},
      {"ICCS", "1. H2-E2 H9-G7 2. H0-G2 I9-H9 3. I0-H0 B9-C7 4. C3-C4\n", 1, main_line, "*"},
      {"numbers in other forms, ideographic spaces", "1.炮二平五　马8进7 2、马二进三 3 车9平8\n", 1,
       "h2e2 h9g7 h0g2 i9h9", "*"},
      {"black to move after a comment", "1. h2e2 {看} 1... h9g7 0-1", 1, "h2e2 h9g7", "0-1"},
      {"the result in Chinese", "[Result \"1-0\"]\n1. h2e2 和棋\n", 1, "h2e2", "1/2-1/2"},
      {"from a FEN, XBoard's letters",
       "[FEN \"rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR b - - 0 1\"]\n"
       "1... Hg7 2. Che2\n",
       1, "h9g7 h2e2", "*"},
      {"several games, one without tags",
       kChinese + "\n[Event \"2\"]\n1. c4 *\n\n1. h2e2 1/2-1/2\n", 3, main_line, "1-0"},
      {"WXF soldiers on two files", "[FEN \"5k3/9/2P6/2P3P2/2P3P2/9/9/9/9/4K4 w\"]\n1. 77.8 *", 1,
       "c6b6", "*"},
      {"stray closing signs", "1. h2e2 ) ] } h9g7 *", 1, "h2e2 h9g7", "*"},
      {"only tags", "[Event \"x\"]\n[Result \"0-1\"]\n", 1, "", "0-1"},
      {"XBoard", Slurp(XQ_SOURCE_DIR "/docs/screenshots/xboard.pgn"), 1, nullptr, "1-0"},
  };
  for (const Case& c : cases) {
    PgnError error;
    auto games = record::ReadPgn(c.bytes, &error);
    ASSERT_TRUE(games) << c.name << ": " << error.Text();
    ASSERT_EQ(games->size(), c.games) << c.name;
    const PgnGame& first = games->front();
    if (c.moves) {
      EXPECT_EQ(Iccs(first.moves), c.moves) << c.name;
    }
    EXPECT_EQ(first.result, c.result) << c.name;
    EXPECT_EQ(first.comments.size(), first.moves.size() + 1) << c.name;
  }
  auto chinese = record::ReadPgn(kChinese, nullptr);
  const PgnGame& game = chinese->front();
  EXPECT_EQ(game.tags.Get("red"), "许银川");
  EXPECT_EQ(game.comments[1], "中炮");
  EXPECT_EQ(game.comments[3], "(2. 兵七进一 卒７进１)");
  EXPECT_EQ(game.comments[4], "横车");
  auto xboard = record::ReadPgn(Slurp(XQ_SOURCE_DIR "/docs/screenshots/xboard.pgn"), nullptr);
  const PgnGame& mate = xboard->front();
  EXPECT_EQ(mate.moves.size(), 41u);
  EXPECT_EQ(mate.ending, "将死");
  EXPECT_EQ(mate.comments.back(), "+1000.01/1 0.1 Xboard adjudication: Checkmate");
}

TEST(Pgn, NamesTheLineAndTheReasonOfABrokenFile) {
  std::string twelve_lines = "[Event \"x\"]\n";
  for (int i = 2; i <= 11; ++i) twelve_lines += "\n";
  std::string many_tags;
  for (int i = 1; i <= 1001; ++i) many_tags += "[T" + std::to_string(i) + " \"\"]\n";
  struct Case {
    std::string bytes;
    const char* text;
  };
  const Case cases[] = {
      {twelve_lines + "1. 炮二进九\n", "第 12 行：着法 炮二进九 不合规则"},
      {"1. h2e2\nh9g7 h2e6\n", "第 2 行：着法 h2e6 不合规则"},
      {"1. 炮二平五\r\n2. xyz\r\n", "第 2 行：看不懂的着法 xyz"},
      {"[FEN \"3k5/9/9/9/9/8R/9/9/9/4K3R w\"]\n1. R1+1\n", "第 2 行：着法 R1+1 有歧义"},
      {"1. h2e2 {never\nclosed\n", "第 1 行：注释 { 没有结束的 }"},
      {"\n1. h2e2 (h2e3 {x)} \n", "第 2 行：变着 ( 没有结束的 )"},
      {"[Event \"open\n1. h2e2\n", "第 1 行：标签 Event 的值没有结束的引号"},
      {"[Event \"x\" junk]\n", "第 1 行：标签 Event 没有结束的 ]"},
      {"\n\n[FEN \"9/9/9 w\"]\n", "第 3 行：FEN 不是合规的局面（"},
      {"1. h2e2\n\xff\xfe\xfd", "第 2 行：文字既不是 UTF-8 也不是 GB18030"},
      {"", "第 1 行：文件里没有棋局"},
      {many_tags, "第 1001 行：一局的标签太多"},
      {"\n; nothing\n{here}\n", "第 1 行：文件里没有棋局"},
  };
  for (const Case& c : cases) {
    PgnError error;
    EXPECT_FALSE(record::ReadPgn(c.bytes, &error)) << c.text;
    EXPECT_EQ(error.Text().substr(0, std::string(c.text).size()), c.text) << c.bytes;
  }
}

TEST(Pgn, ListsGamesWithoutReadingTheirMoves) {
  std::string file =
      "[Event \"一\"]\n1. h2e2 *\n\n[Event \"二\"]\n[Red \"甲\"]\n1. h2e9 *\n\n"
      "[Event \"三\"]\n1. h2e2 h9g7 *\n";
  PgnError error;
  auto list = record::PgnFile::Open(file, &error);
  ASSERT_TRUE(list) << error.Text();
  ASSERT_EQ(list->GameCount(), 3u);
  EXPECT_EQ(list->Tags(1).Get("Red"), "甲");
  EXPECT_EQ(list->Line(2), 8);
  EXPECT_TRUE(list->Game(0, &error));
  // The broken second game does not spoil the others.
  EXPECT_FALSE(list->Game(1, &error));
  EXPECT_EQ(error.Text(), "第 6 行：着法 h2e9 不合规则");
  auto third = list->Game(2, &error);
  ASSERT_TRUE(third);
  EXPECT_EQ(Iccs(third->moves), "h2e2 h9g7");
  EXPECT_EQ(third->Final().SideToMove(), engine::kRed);
}

// ---------------------------------------------------------------- the whole tree

TEST(PgnTree, EveryTreeReadsBackWhole) {
  const char* starts[] = {engine::kStartFen, "3k5/9/9/2P6/2P1P4/2P6/9/9/4R4/4K4 b - - 0 23"};
  for (Notation n : {Notation::kChinese, Notation::kWxf, Notation::kIccs, Notation::kXboard}) {
    for (unsigned seed : {1u, 2u, 3u}) {
      record::GameTree tree = testing_support::RandomTree(starts[seed % 2], seed);
      std::string text = record::WritePgn(tree, n);
      PgnError error;
      auto read = record::ReadPgnGame(text, 1, &error);
      ASSERT_TRUE(read) << error.Text();
      EXPECT_TRUE(read->problems.empty()) << read->problems.front().Text() << "\n" << text;
      // The writer adds the tags it owns (Game, Result, FEN, Format or Variant), after the
      // game's own, which keep their order.
      const auto& tags = read->tree.tags.All();
      for (size_t i = 0; i < tree.tags.Size(); ++i) EXPECT_EQ(tags.at(i + 1), tree.tags.All()[i]);
      read->tree.tags = tree.tags;
      EXPECT_EQ(record::FirstDifference(tree, read->tree), "") << text;
      // Written again, it is the same text.
      auto again = record::ReadPgnGame(record::WritePgn(read->tree, n), 1, &error);
      ASSERT_TRUE(again) << error.Text() << "\n" << record::WritePgn(read->tree, n);
      EXPECT_EQ(record::WritePgn(again->tree, n), record::WritePgn(read->tree, n));
    }
  }
  // Numbered from the FEN's move number, black first; "}" in a comment is written full width, and
  // so is the "[" of a line in a comment that would read as a tag.
  record::GameTree tree(*engine::Position::FromFen("4k4/9/9/9/9/9/9/9/4R4/3K5 b - - 4 23"));
  NodeId first = tree.AppendChild(record::kRootNode, *engine::ParseIccs("e9f9"));
  tree.AddComment(first, "a}b\n[Event \"x\"]");
  tree.AppendChild(first, *engine::ParseIccs("e1f1"));
  std::string text = record::WritePgn(tree, Notation::kIccs);
  EXPECT_NE(text.find("\n23... E9-F9 {a｝b\n［Event \"x\"]} 24. E1-F1 *\n"), std::string::npos)
      << text;
  EXPECT_EQ(record::ReadPgnGame(text, 1, nullptr)->tree.At(first).comment, "a｝b\n［Event \"x\"]");
}

TEST(PgnTree, ReadsEverySpelling) {
  struct Case {
    const char* name;
    std::string text;
    const char* moves;  // the main line in ICCS
    const char* tag;    // a tag that must be read, "Name=value"
  };
  const Case cases[] = {
      {"a check mark after a Chinese move", "1. 炮二平五 马８进７ 2. 炮五进四+ 卒７进１",
       "h2e2 h9g7 e2e6 g6g5", ""},
      {"full-width move numbers", "１．炮二平五　马８进７　２．马二进三", "h2e2 h9g7 h0g2", ""},
      {"traditional and variant characters",
       "1. 砲二平五 馬8進7 2. 傌二進三 車9平8 3. 俥一平二 馬2進3 4. 兵七進一 卒7進1 5. 伡二进六 "
       "炮8平9 6. 㐷八进七",
       "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 c3c4 g6g5 h0h6 h7i7 b0c2", ""},
      {"帥 仕 相",
       "[FEN \"3k5/9/9/9/9/9/9/4B4/9/3AK4 w\"]\n1. 帥五平四 将4平5 2. 仕六进五 "
       "将5平4 3. 相五退三",
       "e0f0 d9e9 d0e1 e9d9 e2g0", ""},
      {"non-ASCII tag names", "[红方 \"许银川\"]\n[黑方 \"吕钦\"]\n1. h2e2 *", "h2e2",
       "红方=许银川"},
      {"XBoard's tags", "[White \"Fairy\"]\n[Black \"Sjaak\"]\n[Variant \"xiangqi\"]\n1. Che2",
       "h2e2", "Red=Fairy"},
      {"XBoard's ranks 1 to 10", "[Variant \"xiangqi\"]\n1. Che3 Hg8 2. Hg3 Ri9 3. Ri2 Ri10",
       "h2e2 h9g7 h0g2 i9i8 i0i1 i8i9", ""},
      {"results in Chinese", "1. h2e2 h9g7 黑先胜", "h2e2 h9g7", ""},
  };
  for (const Case& c : cases) {
    PgnError error;
    auto game = record::ReadPgnGame(c.text, 1, &error);
    ASSERT_TRUE(game) << c.name << ": " << error.Text();
    EXPECT_TRUE(game->problems.empty()) << c.name << ": " << game->problems.front().Text();
    std::vector<engine::Move> line;
    for (NodeId id : game->tree.MainLine()) line.push_back(game->tree.At(id).move);
    EXPECT_EQ(Iccs(line), c.moves) << c.name;
    std::string tag = c.tag;
    if (!tag.empty()) {
      size_t eq = tag.find('=');
      EXPECT_EQ(game->tree.tags.Get(tag.substr(0, eq)), tag.substr(eq + 1)) << c.name;
    }
  }
  auto black_won = record::ReadPgnGame("1. h2e2 h9g7 黑先胜", 1, nullptr);
  EXPECT_EQ(black_won->tree.result, "0-1");
  EXPECT_EQ(record::CommonTag(record::ReadPgnGame("[红方 \"许\"]", 1, nullptr)->tree.tags, "Red"),
            "许");
}

TEST(PgnTree, KeepsWhatDoesNotReadAndSaysWhere) {
  // An illegal move in a variation ends only that variation; one in the main line ends the main
  // line; what was not read stays as a comment of the move before it.
  auto game = record::ReadPgnGame(
      "[Event \"x\"]\n1. h2e2 h9g7 (1... h9e9 2. c3c4) (1... b9c7 2. h0h3)\n2. h0g2 i9h9\n3. h0h9 "
      "b9c7 "
      "4. c3c4 1-0",
      1, nullptr);
  ASSERT_TRUE(game);
  const record::GameTree& tree = game->tree;
  ASSERT_EQ(game->problems.size(), 3u);
  EXPECT_EQ(game->problems[0].Text(), "第 2 行：着法 h9e9 不合规则");
  EXPECT_EQ(game->problems[1].Text(), "第 2 行：着法 h0h3 不合规则");
  EXPECT_EQ(game->problems[2].Text(), "第 4 行：着法 h0h9 不合规则");
  EXPECT_EQ(tree.MainLine().size(), 4u);
  EXPECT_EQ(tree.At(tree.MainLine().back()).comment, "未读：h0h9 b9c7 4. c3c4");
  const auto& at_first = tree.Children(tree.MainLine()[0]);
  ASSERT_EQ(at_first.size(), 2u);  // the variation that did not read added nothing
  EXPECT_EQ(tree.At(tree.MainLine()[0]).comment, "未读：h9e9 2. c3c4");
  EXPECT_EQ(tree.At(at_first[1]).comment, "未读：h0h3");
  EXPECT_EQ(tree.result, "1-0");
}

TEST(GameList, OpensWhateverIsInAFile) {
  std::string file =
      "Downloaded from a site; 12 games\n\n"                // 1: text before the games
      "[Event \"一\"]\n1. h2e2 {never closed\n h9g7\n\n"    // 3: an unclosed comment
      "[Event \"二\"]\n1. h2e2 (1. c3c4 h9g7\n2. h0g2\n\n"  // 7: an unclosed variation
      "[Event \"三\"]\n[Event \"四\"]\n1. h2e9 *\n\n"       // 11, 12: a repeated tag
      "1. h2e2 1-0 1. c3c4 *\n"                             // 15: two games without tags
      "{五} 1. h0g2 h9g7 2. i0h0 1. h2e2\n";                // 16: numbers back to 1
  record::ReadError error;
  auto list = record::GameList::Open(file, &error);
  ASSERT_TRUE(list) << error.Text();
  struct Expected {
    int line;
    const char* event;
    int plies;
    const char* problem;  // the first, or ""
  };
  const Expected expected[] = {
      {3, "一", 1, "第 4 行：注释 { 没有结束的 }"},
      {7, "二", 1, "第 8 行：变着 ( 没有结束的 )"},
      {11, "三", 0, ""},
      {12, "四", 1, ""},
      {15, "", 1, ""},
      {15, "", 1, ""},
      {16, "", 3, ""},
      {16, "", 1, ""},
  };
  ASSERT_EQ(list->Count(), std::size(expected));
  for (size_t i = 0; i < list->Count(); ++i) {
    record::GameSummary summary = list->Summary(i);
    EXPECT_EQ(summary.line, expected[i].line) << i;
    EXPECT_EQ(summary.tags.Get("Event"), expected[i].event) << i;
    EXPECT_EQ(summary.plies, expected[i].plies) << i;
    EXPECT_EQ(summary.problems.empty() ? "" : summary.problems[0].Text(), expected[i].problem) << i;
    EXPECT_TRUE(list->Game(i, &error)) << i << ": " << error.Text();
  }
  // The broken comment keeps the rest of its game; the illegal move is found on opening.
  auto first = list->Game(0, nullptr);
  EXPECT_EQ(first->tree.At(first->tree.MainLine()[0]).comment, "never closed\n h9g7");
  auto fourth = list->Game(3, nullptr);
  EXPECT_EQ(fourth->problems.at(0).Text(), "第 13 行：着法 h2e9 不合规则");
  EXPECT_EQ(list->Game(6, nullptr)->tree.At(record::kRootNode).comment, "五");

  // GB18030 with a broken byte: that game says where, the others open whole.
  std::string gb =
      *runtime::Utf8ToGb("[Event \"甲\"]\n1. 炮二平五 *\n\n[Event \"乙\"]\n\n1. 炮二平五 ") +
      "\x81\x20" + *runtime::Utf8ToGb(" *\n\n[Event \"丙\"]\n1. 马二进三 *\n");
  auto gb_list = record::GameList::Open(gb, &error);
  ASSERT_TRUE(gb_list);
  ASSERT_EQ(gb_list->Count(), 3u);
  EXPECT_EQ(gb_list->Summary(1).problems.at(0).Text(), "第 6 行：文字既不是 UTF-8 也不是 GB18030");
  EXPECT_TRUE(gb_list->Summary(2).problems.empty());
  EXPECT_EQ(gb_list->Summary(2).tags.Get("Event"), "丙");

  // Moves alone, as pasted, are one game; a file with no game is refused.
  EXPECT_EQ(record::GameList::Open("炮二平五 马８进７", nullptr)->Summary(0).plies, 2);
  EXPECT_FALSE(record::GameList::Open("just words, no game", &error));
  EXPECT_EQ(error.Text(), "第 1 行：文件里没有棋局");
}

TEST(GameList, RefusesAFileOverOneHundredMegabytesWithoutReadingIt) {
  std::string path = testing::TempDir() + "/huge.pgn";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fseek(f, long(record::kMaxFileBytes), SEEK_SET);  // a hole: nothing is written
  std::fputc('*', f);
  std::fclose(f);
  std::string why;
  EXPECT_FALSE(record::ReadGameFile(path, &why));
  EXPECT_EQ(why, "文件超过 100 MB，不打开");
  std::remove(path.c_str());
}

}  // namespace
