// XQF and DhtmlXQ: files made by hand from the formats' public descriptions (XQF's header fields
// at their offsets, every version's keys; a DhtmlXQ block as web pages carry it) read to the
// tree they hold; whole trees written and read back; and broken files that still give what
// they can, with where and why.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "game/record/dhtmlxq.h"
#include "game/record/game_list.h"
#include "game/record/xqf.h"
#include "runtime/text_codec.h"
#include "tests/support/random_tree.h"

namespace {

using record::GameTree;
using record::kRootNode;
using record::NodeId;

engine::Move M(const char* iccs) {
  return *engine::ParseIccs(iccs);
}

// The game both hand-made files hold, with the tags each gives it: 炮二平五 {中炮} 马８进７
// (卒７进１ {另一种走法\n两行} 兵七进一 (马二进三 {再一种})) 马二进三, red won.
GameTree SampleGame(std::initializer_list<std::pair<const char*, const char*>> tags) {
  GameTree tree;
  for (const auto& [name, value] : tags) tree.tags.Set(name, value);
  tree.AddComment(kRootNode, "开局前的话");
  NodeId cannon = tree.AppendChild(kRootNode, M("h2e2"));
  tree.AddComment(cannon, "中炮");
  NodeId horse = tree.AppendChild(cannon, M("h9g7"));
  tree.AppendChild(horse, M("h0g2"));
  NodeId soldier = tree.AppendChild(cannon, M("g6g5"));
  tree.AddComment(soldier, "另一种走法\n两行");
  tree.AppendChild(soldier, M("c3c4"));
  tree.AddComment(tree.AppendChild(soldier, M("h0g2")), "再一种");
  tree.result = "1-0";
  return tree;
}

// ---------------------------------------------------------------- XQF

struct XqfKeys {
  uint8_t mask = 0, or_a = 0, or_b = 0, or_c = 0, or_d = 0, sum = 0, xy = 0, xyf = 0, xyt = 0;
};

// An XQF file laid out by the description's field list: the signature and version at 0, the
// key bytes at 3 and 8-15, the 32 pieces' places (file * 10 + rank) at 0x10, who moves at 0x32,
// the result at 0x33, the texts (a length byte, then GB18030) at 0x50 (title), 0xD0 (event),
// 0x110 (date), 0x130 (red) and 0x140 (black); then from 0x400 the records in the tree's order.
class XqfFile {
 public:
  XqfFile(int version, XqfKeys keys) : version_(version), keys_(keys), bytes_(0x400, '\0') {
    bytes_[0] = 'X', bytes_[1] = 'Q', bytes_[2] = char(version);
    const uint8_t at[] = {keys.mask, 0,         0,        0,       0,        keys.or_a, keys.or_b,
                          keys.or_c, keys.or_d, keys.sum, keys.xy, keys.xyf, keys.xyt};
    for (size_t i = 0; i < std::size(at); ++i) bytes_[3 + i] = char(at[i]);
    static constexpr int kOpening[32] = {0,  10, 20, 30, 40, 50, 60, 70, 80, 12, 72,
                                         3,  23, 43, 63, 83, 9,  19, 29, 39, 49, 59,
                                         69, 79, 89, 17, 77, 6,  26, 46, 66, 86};
    places_.assign(kOpening, kOpening + 32);
    // The keys, as the description gives them.
    auto key = [](uint32_t b, uint32_t c) {
      return uint8_t((((((b * b) * 3 + 9) * 3 + 8) * 2 + 1) * 3 + 8) * c);
    };
    if (version > 10) {
      xy_ = key(keys.xy, keys.xy);
      xyf_ = key(keys.xyf, xy_);
      xyt_ = key(keys.xyt, xyf_);
      comment_key_ = (uint32_t(keys.sum) * 256 + keys.xy) % 32000 + 767;
    }
  }
  void Text(size_t offset, const std::string& utf8) {
    std::string gb = *runtime::Utf8ToGb(utf8);
    bytes_[offset] = char(gb.size());
    bytes_.replace(offset + 1, gb.size(), gb);
  }
  void Set(size_t offset, uint8_t value) { bytes_[offset] = char(value); }
  std::vector<int> places_;
  void Record(int from, int to, bool next, bool sibling, const std::string& comment = "") {
    std::string gb = *runtime::Utf8ToGb(comment);
    bool plain = version_ <= 10;
    records_ += char(from + 0x18 + xyf_);
    records_ += char(to + 0x20 + xyt_);
    records_ += char(plain ? (next ? 0xF0 : 0) | (sibling ? 0x0F : 0)
                           : (next ? 0x80 : 0) | (sibling ? 0x40 : 0) | (gb.empty() ? 0 : 0x20));
    records_ += '\0';
    if (plain || !gb.empty()) {
      uint32_t size = uint32_t(gb.size()) + comment_key_;
      for (int i = 0; i < 4; ++i) records_ += char(size >> (8 * i));
    }
    records_ += gb;
  }
  std::string Bytes() const {
    std::string out = bytes_;
    for (int i = 0; i < 32; ++i) {
      // From version 12 the places are turned round by the key.
      int from = version_ >= 12 ? (xy_ + i + 1) & 31 : i;
      out[0x10 + i] = char(places_[from] + (version_ > 10 ? xy_ : 0));
    }
    out += records_;
    if (version_ <= 10) return out;
    const char text[] = "[(C) Copyright Mr. Dong Shiwei.]";
    const uint8_t mixed[4] = {uint8_t((keys_.sum & keys_.mask) | keys_.or_a),
                              uint8_t((keys_.xy & keys_.mask) | keys_.or_b),
                              uint8_t((keys_.xyf & keys_.mask) | keys_.or_c),
                              uint8_t((keys_.xyt & keys_.mask) | keys_.or_d)};
    for (size_t i = 0x400; i < out.size(); ++i)
      out[i] = char(uint8_t(out[i]) + (uint8_t(text[i % 32]) & mixed[i % 4]));
    return out;
  }

 private:
  int version_;
  XqfKeys keys_;
  std::string bytes_, records_;
  uint8_t xy_ = 0, xyf_ = 0, xyt_ = 0;
  uint32_t comment_key_ = 0;
};

XqfFile SampleXqf(int version, XqfKeys keys) {
  XqfFile file(version, keys);
  file.Text(0x50, "中炮对屏风马");
  file.Text(0xD0, "全国赛");
  file.Text(0x110, "2026.01.02");
  file.Text(0x130, "许银川");
  file.Text(0x140, "吕钦");
  file.Set(0x33, 1);
  file.Record(0, 0, true, false, "开局前的话");
  file.Record(72, 42, true, false, "中炮");
  file.Record(79, 67, true, true);
  file.Record(70, 62, false, false);
  file.Record(66, 65, true, false, "另一种走法\r\n两行");
  file.Record(23, 24, false, true);
  file.Record(70, 62, false, false, "再一种");
  return file;
}

GameTree SampleXqfGame() {
  return SampleGame({{"Title", "中炮对屏风马"},
                     {"Event", "全国赛"},
                     {"Date", "2026.01.02"},
                     {"Red", "许银川"},
                     {"Black", "吕钦"}});
}

TEST(Xqf, ReadsEveryVersionAsTheDescriptionLaysItOut) {
  const XqfKeys hidden{0xA5, 0x12, 0x34, 0x56, 0x78, uint8_t(-(0x37 + 0x9C + 0x5B)),
                       0x37, 0x9C, 0x5B};
  const XqfKeys other{0xFF, 0x00, 0x81, 0x00, 0x03, uint8_t(-(0xE1 + 0x02 + 0x40)),
                      0xE1, 0x02, 0x40};
  struct Case {
    int version;
    XqfKeys keys;
  };
  for (const Case& c : {Case{10, {}}, Case{11, hidden}, Case{12, hidden}, Case{18, other}}) {
    record::ReadError error;
    auto game = record::ReadXqf(SampleXqf(c.version, c.keys).Bytes(), &error);
    ASSERT_TRUE(game) << c.version << ": " << error.Text();
    EXPECT_TRUE(game->problems.empty()) << c.version << ": " << game->problems.front().Text();
    EXPECT_EQ(record::FirstDifference(game->tree, SampleXqfGame()), "") << c.version;
  }
}

TEST(Xqf, WritesVersionTenThatReadsBackWhole) {
  std::string bytes = record::WriteXqf(SampleXqfGame());
  EXPECT_EQ(bytes.substr(0, 3), std::string("XQ\x0A", 3));
  EXPECT_EQ(bytes.substr(0x130, 7), "\x06" + *runtime::Utf8ToGb("许银川"));
  EXPECT_EQ(bytes[0x33], 1);
  EXPECT_EQ(bytes.substr(0x10, 5), std::string("\x00\x0A\x14\x1E\x28", 5));  // 车马相仕帅
  auto back = record::ReadXqf(bytes, nullptr);
  ASSERT_TRUE(back);
  EXPECT_EQ(record::FirstDifference(back->tree, SampleXqfGame()), "");
  // Any tree, from a position with black to move first too.
  for (const char* fen : {engine::kStartFen, "4k4/9/9/9/9/9/9/9/4R4/3K5 b"}) {
    GameTree tree = testing_support::RandomTree(fen, 9, false, " a}b[c]");
    auto read = record::ReadXqf(record::WriteXqf(tree), nullptr);
    ASSERT_TRUE(read);
    EXPECT_EQ(record::FirstDifference(read->tree, tree), "") << fen;
  }
}

TEST(Xqf, GivesWhatABrokenFileHasAndSaysWhere) {
  XqfFile overlapping(10, {});
  overlapping.places_[1] = 0;  // a horse on the rook's square
  overlapping.Record(0, 0, false, false);
  std::string whole = SampleXqf(12, {1, 2, 3, 4, 5, 6, 7, 8, 9}).Bytes();
  XqfFile bad_variation(10, {});
  bad_variation.Record(0, 0, true, false);
  bad_variation.Record(72, 42, true, false);
  bad_variation.Record(79, 49, false, true);  // a horse to e9: not legal, nor what follows it
  bad_variation.Record(79, 67, false, false);
  struct Case {
    const char* name;
    std::string bytes;
    const char* refusal;  // or nothing, and then the first problem and the main line kept
    const char* problem;
    size_t main_line;
  };
  const Case cases[] = {
      {"a header cut short", whole.substr(0, 500), "XQF 的文件头不完整", "", 0},
      {"a newer version", std::string("XQ\x13", 3) + std::string(2000, '\0'),
       "XQF 的版本 19 太新，读不了", "", 0},
      {"two pieces on a square", overlapping.Bytes(),
       "XQF 的开局不是合规的局面（两个棋子在同一个位置）", "", 0},
      {"records cut short", whole.substr(0, 0x400 + 40), nullptr,
       "XQF 第 1062 字节：文件到这里就断了", 3},
      {"a comment cut short", whole.substr(0, 0x400 + 10), nullptr,
       "XQF 第 1024 字节：注释的长度超出了文件", 0},
      {"a move that is not legal", bad_variation.Bytes(), nullptr,
       "XQF 第 1040 字节：着法 h9e9 不合规则", 2},
  };
  for (const Case& c : cases) {
    record::ReadError error;
    auto game = record::ReadXqf(c.bytes, &error);
    if (c.refusal) {
      EXPECT_FALSE(game) << c.name;
      EXPECT_EQ(error.Text(), c.refusal) << c.name;
      continue;
    }
    ASSERT_TRUE(game) << c.name << ": " << error.Text();
    ASSERT_FALSE(game->problems.empty()) << c.name;
    EXPECT_EQ(game->problems[0].Text(), c.problem) << c.name;
    EXPECT_EQ(game->tree.MainLine().size(), c.main_line) << c.name;
  }
}

// ---------------------------------------------------------------- DhtmlXQ

const char kBlock[] =
    "<p>中炮对屏风马</p>\n"
    "[DhtmlXQ]\n"
    "[DhtmlXQ_ver]www_dpxq_com[/DhtmlXQ_ver]\n"
    "[DhtmlXQ_title]中炮对屏风马[/DhtmlXQ_title]\n"
    "[DhtmlXQ_event]全国赛[/DhtmlXQ_event]\n"
    "[DhtmlXQ_red]许银川[/DhtmlXQ_red]\n"
    "[DhtmlXQ_black]吕钦[/DhtmlXQ_black]\n"
    "[DhtmlXQ_result]红先胜[/DhtmlXQ_result]\n"
    "[DhtmlXQ_binit]8979695949392919097717866646260600102030405060708012720323436383"
    "[/DhtmlXQ_binit]\n"
    "[DhtmlXQ_movelist]774770627967[/DhtmlXQ_movelist]\n"
    "[DhtmlXQ_move_0_2_1]63642625[/DhtmlXQ_move_0_2_1]\n"
    "[DhtmlXQ_move_1_3_2]7967[/DhtmlXQ_move_1_3_2]\n"
    "[DhtmlXQ_comment0]开局前的话[/DhtmlXQ_comment0]\n"
    "[DhtmlXQ_comment1]中炮[/DhtmlXQ_comment1]\n"
    "[DhtmlXQ_comment1_2]另一种走法||两行[/DhtmlXQ_comment1_2]\n"
    "[DhtmlXQ_comment2_3]再一种[/DhtmlXQ_comment2_3]\n"
    "[/DhtmlXQ]\n";

GameTree SampleDhtmlXqGame() {
  return SampleGame({{"ver", "www_dpxq_com"},
                     {"Title", "中炮对屏风马"},
                     {"Event", "全国赛"},
                     {"Red", "许银川"},
                     {"Black", "吕钦"}});
}

TEST(DhtmlXq, ReadsABlockAsWebPagesCarryIt) {
  // In a page of GB18030 with a second game after it.
  std::string page = *runtime::Utf8ToGb(std::string(kBlock) +
                                        "[DhtmlXQ][DhtmlXQ_movelist]7062[/DhtmlXQ_movelist]"
                                        "[DhtmlXQ_title]黑先[/DhtmlXQ_title][/DhtmlXQ]");
  record::ReadError error;
  auto list = record::GameList::Open(page, &error);
  ASSERT_TRUE(list) << error.Text();
  EXPECT_EQ(list->Format(), record::RecordFormat::kDhtmlXq);
  ASSERT_EQ(list->Count(), 2u);
  EXPECT_EQ(list->Line(0), 2);
  auto game = list->Game(0, &error);
  ASSERT_TRUE(game) << error.Text();
  EXPECT_TRUE(game->problems.empty()) << game->problems.front().Text();
  EXPECT_EQ(record::FirstDifference(game->tree, SampleDhtmlXqGame()), "");
  auto second = list->Game(1, &error);
  EXPECT_EQ(second->tree.Start().SideToMove(), engine::kBlack);  // told by the first move
  EXPECT_EQ(second->tree.tags.Get("Title"), "黑先");
}

TEST(DhtmlXq, WritesABlockThatReadsBackWhole) {
  auto written = record::ReadDhtmlXq(record::WriteDhtmlXq(SampleDhtmlXqGame()), 1, nullptr);
  ASSERT_TRUE(written);
  EXPECT_EQ(record::FirstDifference(written->tree, SampleDhtmlXqGame()), "");
  for (const char* fen : {engine::kStartFen, "4k4/9/9/9/9/9/9/9/4R4/3K5 b - - 3 40"}) {
    GameTree tree = testing_support::RandomTree(fen, 4, false, " a|b||c|\\u005C\\[x]} 尾|");
    std::string text = record::WriteDhtmlXq(tree);
    auto read = record::ReadDhtmlXq(text, 1, nullptr);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->problems.empty()) << read->problems.front().Text();
    EXPECT_EQ(record::FirstDifference(read->tree, tree), "") << text;
  }
}

TEST(DhtmlXq, GivesWhatABrokenBlockHasAndSaysWhere) {
  struct Case {
    const char* name;
    std::string text;
    const char* problem;
    size_t nodes;  // attached, the root too
  };
  const Case cases[] = {
      {"a move that is not legal", "[DhtmlXQ_movelist]77477042[/DhtmlXQ_movelist]",
       "第 1 行：着法 7042 不合规则", 2},
      {"a variation leaving a line there is not",
       "[DhtmlXQ_movelist]7747[/DhtmlXQ_movelist]\n[DhtmlXQ_move_4_2_5]7062[/DhtmlXQ_move_4_2_5]",
       "第 2 行：变着 DhtmlXQ_move_4_2_5 找不到它离开的着法", 2},
      {"a comment without its move", "[DhtmlXQ_comment7]x[/DhtmlXQ_comment7]",
       "第 1 行：注释 DhtmlXQ_comment7 找不到它的着法", 1},
      {"a field left open", "[DhtmlXQ_title]x\n[DhtmlXQ_movelist]7747[/DhtmlXQ_movelist]",
       "第 1 行：字段 DhtmlXQ_title 没有结束的 [/DhtmlXQ_title]", 2},
  };
  for (const Case& c : cases) {
    auto game = record::ReadDhtmlXq(c.text, 1, nullptr);
    ASSERT_TRUE(game) << c.name;
    ASSERT_FALSE(game->problems.empty()) << c.name;
    EXPECT_EQ(game->problems[0].Text(), c.problem) << c.name;
    size_t nodes = 0;
    for (NodeId id = 0; id < game->tree.NodeCount(); ++id) nodes += game->tree.Attached(id);
    EXPECT_EQ(nodes, c.nodes) << c.name;
  }
  // A variation number given twice: both lines are kept, and the later answers to the number.
  auto twice = record::ReadDhtmlXq(
      "[DhtmlXQ_movelist]7747[/DhtmlXQ_movelist][DhtmlXQ_move_0_1_1]26256364[/DhtmlXQ_move_0_1_1]"
      "[DhtmlXQ_move_0_1_1]7967[/DhtmlXQ_move_0_1_1][DhtmlXQ_move_1_2_2]7062[/DhtmlXQ_move_1_2_2]",
      1, nullptr);
  ASSERT_EQ(twice->tree.Children(kRootNode).size(), 3u);
  NodeId later = twice->tree.Children(kRootNode)[2];
  ASSERT_EQ(twice->tree.Children(later).size(), 1u);
  EXPECT_EQ(twice->tree.At(twice->tree.Children(later)[0]).move, M("h9g7"));
  record::ReadError error;
  EXPECT_FALSE(record::ReadDhtmlXq("[DhtmlXQ_binit]0010[/DhtmlXQ_binit]", 1, &error));
  EXPECT_EQ(error.Text(), "第 1 行：DhtmlXQ 的开局不是合规的局面（binit 不到 64 个数字）");
}

// ---------------------------------------------------------------- every format

// Variations inside variations 3,000 deep (a knight out and back at every level): each format
// writes and reads them back whole, without running out of stack or memory.
TEST(RecordFormats, VariationsAnyDeepReadBackWhole) {
  GameTree tree;
  NodeId at = kRootNode;
  for (int level = 0; level < 3000; ++level) {
    tree.AppendChild(at, M("h0g2"));
    NodeId line = tree.AppendChild(at, M("b0c2"));
    for (const char* m : {"h9g7", "c2b0", "g7h9"}) line = tree.AppendChild(line, M(m));
    at = line;
  }
  tree.AddComment(at, "最深处");
  auto pgn = record::ReadPgnGame(record::WritePgn(tree, record::Notation::kWxf), 1, nullptr);
  ASSERT_TRUE(pgn);
  pgn->tree.tags = tree.tags;
  auto xqf = record::ReadXqf(record::WriteXqf(tree), nullptr);
  auto block = record::ReadDhtmlXq(record::WriteDhtmlXq(tree), 1, nullptr);
  for (const GameTree* read : {&pgn->tree, &xqf->tree, &block->tree})
    EXPECT_EQ(record::FirstDifference(*read, tree), "");
}

}  // namespace
