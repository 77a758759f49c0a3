#include "game/record/xqf.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "game/record/piece_places.h"

namespace record {

namespace {

constexpr size_t kHeaderSize = 0x400;
constexpr int kPlainVersion = 10;
constexpr int kNewestVersion = 18;

// The header's fields (offset, size): the pieces, who moves first, the result, and the texts.
constexpr size_t kPieces = 0x10;
constexpr size_t kWhoPlays = 0x32;
constexpr size_t kResult = 0x33;
struct TextField {
  size_t offset, size;
  const char* tag;
};
constexpr TextField kTextFields[] = {
    {0x50, 64, "Title"},     {0x90, 64, "TitleB"},   {0xD0, 64, "Event"},
    {0x110, 16, "Date"},     {0x120, 16, "Site"},    {0x130, 16, "Red"},
    {0x140, 16, "Black"},    {0x150, 64, "TimeControl"}, {0x190, 16, "RedTime"},
    {0x1A0, 16, "BlackTime"}, {0x1D0, 16, "Annotator"}, {0x1E0, 16, "Author"},
};

// A move's squares are written as file * 10 + rank (rank 0 red's back rank), plus these.
constexpr int kFromBias = 0x18, kToBias = 0x20;

// Flags of a move record in the plain versions and in the later ones.
constexpr uint8_t kPlainNext = 0xF0, kPlainSibling = 0x0F;
constexpr uint8_t kNext = 0x80, kSibling = 0x40, kHasComment = 0x20;

int SquareOf(int place) {
  return place % 10 * 9 + place / 10;
}
int PlaceOf(int square) {
  return engine::FileOf(square) * 10 + engine::RankOf(square);
}

// The keys of versions 11 and later, from the header's key bytes.
struct Keys {
  bool hidden = false;
  uint8_t xy = 0, from = 0, to = 0;
  uint32_t comment_size = 0;
  std::array<uint8_t, 32> stream{};  // subtracted from every byte after the header
};

uint8_t KeyOf(uint8_t b, uint8_t c) {
  uint32_t v = b;
  return uint8_t(((((v * v * 3 + 9) * 3 + 8) * 2 + 1) * 3 + 8) * c);
}

Keys KeysOf(std::string_view header, int version) {
  Keys keys;
  if (version <= kPlainVersion) return keys;
  auto at = [&](size_t i) { return uint8_t(header[i]); };
  uint8_t mask = at(0x03), sum = at(0x0C), xy = at(0x0D), xyf = at(0x0E), xyt = at(0x0F);
  keys.hidden = true;
  keys.xy = KeyOf(xy, xy);
  keys.from = KeyOf(xyf, keys.xy);
  keys.to = KeyOf(xyt, keys.from);
  keys.comment_size = (uint32_t(sum) * 256 + xy) % 32000 + 767;
  const uint8_t mixed[4] = {uint8_t((sum & mask) | at(0x08)), uint8_t((xy & mask) | at(0x09)),
                            uint8_t((xyf & mask) | at(0x0A)), uint8_t((xyt & mask) | at(0x0B))};
  static constexpr char kStreamText[] = "[(C) Copyright Mr. Dong Shiwei.]";
  for (size_t i = 0; i < 32; ++i) keys.stream[i] = uint8_t(kStreamText[i]) & mixed[i % 4];
  return keys;
}

std::string Where(size_t offset) {
  return "XQF 第 " + std::to_string(offset) + " 字节：";
}

// The records after the header, read through the keys.
class Records {
 public:
  Records(std::string_view bytes, const Keys& keys) : bytes_(bytes), keys_(keys) {}

  size_t Offset() const { return at_; }
  size_t Left() const { return bytes_.size() - at_; }
  bool Read(size_t n, uint8_t* out) {
    if (bytes_.size() - at_ < n) return false;
    for (size_t i = 0; i < n; ++i, ++at_)
      out[i] = uint8_t(uint8_t(bytes_[at_]) - (keys_.hidden ? keys_.stream[at_ % 32] : 0));
    return true;
  }
  bool ReadSize(uint32_t* size) {
    uint8_t b[4];
    if (!Read(4, b)) return false;
    *size = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    *size -= keys_.comment_size;
    return true;
  }

 private:
  std::string_view bytes_;
  const Keys& keys_;
  size_t at_ = kHeaderSize;
};

struct Record {
  int from = 0, to = 0;
  bool next = false, sibling = false;
  std::string comment;
};

// One record; false, with the problem, where the file is cut short or a length is wrong.
bool ReadRecord(Records& records, int version, const Keys& keys, Record& record,
                std::vector<ReadError>& problems) {
  size_t offset = records.Offset();
  uint8_t head[4];
  if (!records.Read(4, head)) {
    problems.push_back({0, Where(offset) + "文件到这里就断了"});
    return false;
  }
  record.from = uint8_t(head[0] - kFromBias - keys.from);
  record.to = uint8_t(head[1] - kToBias - keys.to);
  bool plain = version <= kPlainVersion;
  record.next = head[2] & (plain ? kPlainNext : kNext);
  record.sibling = head[2] & (plain ? kPlainSibling : kSibling);
  record.comment.clear();
  uint32_t size = 0;
  if ((plain || (head[2] & kHasComment)) && !records.ReadSize(&size)) {
    problems.push_back({0, Where(offset) + "文件到这里就断了"});
    return false;
  }
  if (size > records.Left()) {
    problems.push_back({0, Where(offset) + "注释的长度超出了文件"});
    return false;
  }
  if (size > 0) {
    std::string bytes(size, '\0');
    records.Read(size, reinterpret_cast<uint8_t*>(bytes.data()));
    record.comment = UnixLines(DecodeSpan(bytes, Encoding::kGb18030));
  }
  return true;
}

// The pieces' places in the header, through the keys: from version 12 they are also turned
// round.
PiecePlaces PlacesIn(std::string_view header, int version, const Keys& keys) {
  PiecePlaces places;
  for (int i = 0; i < 32; ++i) {
    int slot = version >= 12 ? (keys.xy + i + 1) & 31 : i;
    int place = uint8_t(uint8_t(header[kPieces + i]) - keys.xy);
    places[slot] = place <= 89 ? SquareOf(place) : -1;
  }
  return places;
}

void WriteSize(std::string& out, uint32_t size) {
  for (int i = 0; i < 4; ++i) out += char(size >> (8 * i) & 0xFF);
}

// GB18030 text for a field of `capacity` bytes, cut on a character.
std::string FieldText(std::string_view utf8, size_t capacity) {
  std::string gb = EncodeText(utf8, Encoding::kGb18030);
  size_t keep = 0;
  for (size_t i = 0; i < gb.size();) {
    size_t length = CharLength(gb, i, Encoding::kGb18030);
    if (i + length > capacity) break;
    i += length;
    keep = i;
  }
  return gb.substr(0, keep);
}

std::string CommentBytes(const GameNode& node) {
  std::string crlf;
  for (char ch : JoinedComment(node)) {
    if (ch == '\n') crlf += '\r';
    crlf += ch;
  }
  return EncodeText(crlf, Encoding::kGb18030);
}

}  // namespace

std::optional<OpenedGame> ReadXqf(std::string_view bytes, ReadError* error) {
  auto fail = [error](std::string reason) {
    if (error) *error = ReadError{0, std::move(reason)};
    return std::nullopt;
  };
  if (bytes.size() < kHeaderSize || !bytes.starts_with("XQ")) return fail("XQF 的文件头不完整");
  int version = uint8_t(bytes[2]);
  if (version > kNewestVersion)
    return fail("XQF 的版本 " + std::to_string(version) + " 太新，读不了");
  std::string_view header = bytes.substr(0, kHeaderSize);
  Keys keys = KeysOf(header, version);

  OpenedGame game;
  Records records(bytes, keys);
  Record root;
  if (!ReadRecord(records, version, keys, root, game.problems)) root.next = false;
  // The first move tells who moves first; read it ahead.
  std::optional<int> first_from;
  if (root.next) {
    Records ahead = records;
    uint8_t head[2];
    if (ahead.Read(2, head)) first_from = uint8_t(head[0] - kFromBias - keys.from);
  }
  // Who moves first is told by the first move when there is one.
  PiecePlaces places = PlacesIn(header, version, keys);
  bool black = header[kWhoPlays] == 1;
  if (first_from && *first_from <= 89) black = BlackAt(places, SquareOf(*first_from)).value_or(black);
  std::string why;
  auto start = PositionOfPlaces(places, black, &why);
  if (!start) return fail("XQF 的开局不是合规的局面（" + why + "）");
  game.tree = GameTree(*start);
  GameTree& tree = game.tree;
  for (const TextField& field : kTextFields) {
    size_t length = std::min<size_t>(uint8_t(header[field.offset]), field.size - 1);
    std::string text = DecodeSpan(header.substr(field.offset + 1, length), Encoding::kGb18030);
    if (!text.empty()) tree.tags.Set(field.tag, std::move(text));
  }
  static constexpr const char* kResults[] = {"*", "1-0", "0-1", "1/2-1/2", "1/2-1/2"};
  uint8_t result = uint8_t(header[kResult]);
  tree.result = result < std::size(kResults) ? kResults[result] : "*";
  tree.AddComment(kRootNode, root.comment);

  // The records come in the tree's order: a move, its continuations, then its next variation.
  // The continuations of the line being read are followed at once; a variation waits with its
  // parent's position, written small (as a FEN), for when the moves before it are done.
  struct Waiting {
    NodeId parent;  // kNoNode: left out with a move before it that was not legal
    std::string fen;
  };
  std::vector<Waiting> waiting;
  NodeId parent = kRootNode;
  std::optional<engine::Position> pos = *start;
  bool reading = root.next;
  Record record;
  while (reading) {
    size_t offset = records.Offset();
    if (!ReadRecord(records, version, keys, record, game.problems)) break;
    if (record.sibling) waiting.push_back({parent, pos ? pos->Fen() : std::string()});
    NodeId node = kNoNode;
    if (pos) {
      engine::Move move{uint8_t(record.from <= 89 ? SquareOf(record.from) : 0),
                        uint8_t(record.to <= 89 ? SquareOf(record.to) : 0)};
      if (record.from <= 89 && record.to <= 89 && pos->IsLegal(move)) {
        node = tree.AppendChild(parent, move);
        tree.AddComment(node, record.comment);
        pos->MakeMove(move);
      } else {
        std::string text = record.from <= 89 && record.to <= 89
                               ? "着法 " + engine::ToIccs(move) + " 不合规则"
                               : "着法不在棋盘上";
        if (game.problems.size() < 20) game.problems.push_back({0, Where(offset) + text});
        pos.reset();
      }
    }
    parent = node;
    if (record.next) continue;
    if (waiting.empty()) break;
    parent = waiting.back().parent;
    pos.reset();
    if (parent != kNoNode) pos = engine::Position::FromFen(waiting.back().fen);
    waiting.pop_back();
  }
  return game;
}

std::string WriteXqf(const GameTree& tree) {
  std::string out(kHeaderSize, '\0');
  out[0] = 'X', out[1] = 'Q', out[2] = char(kPlainVersion);
  PiecePlaces places = PlacesOf(tree.Start());
  for (int slot = 0; slot < 32; ++slot)
    out[kPieces + slot] = char(places[slot] < 0 ? 0xFF : PlaceOf(places[slot]));
  const engine::Position& start = tree.Start();
  out[kWhoPlays] = start.SideToMove() == engine::kBlack ? 1 : 0;
  const std::string& result = tree.result;
  out[kResult] = char(result == "1-0" ? 1 : result == "0-1" ? 2 : result == "1/2-1/2" ? 3 : 0);
  for (const TextField& field : kTextFields) {
    std::string text = FieldText(CommonTag(tree.tags, field.tag), field.size - 1);
    out[field.offset] = char(text.size());
    out.replace(field.offset + 1, text.size(), text);
  }
  // The records in the tree's order: each move, its continuations, then its next variation.
  std::vector<NodeId> stack{kRootNode};
  while (!stack.empty()) {
    NodeId id = stack.back();
    stack.pop_back();
    const GameNode& node = tree.At(id);
    int from = id == kRootNode ? 0 : PlaceOf(node.move.from);
    int to = id == kRootNode ? 0 : PlaceOf(node.move.to);
    bool sibling = id != kRootNode && tree.Children(node.parent).back() != id;
    out += char(from + kFromBias);
    out += char(to + kToBias);
    out += char((node.children.empty() ? 0 : kPlainNext) | (sibling ? kPlainSibling : 0));
    out += '\0';
    std::string comment = CommentBytes(node);
    WriteSize(out, uint32_t(comment.size()));
    out += comment;
    for (auto child = node.children.rbegin(); child != node.children.rend(); ++child)
      stack.push_back(*child);
  }
  return out;
}

}  // namespace record
