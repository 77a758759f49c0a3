#include "game/record/notation.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace record {

namespace {

using engine::Color;
using engine::Kind;
using engine::Move;
using engine::Position;
using engine::Square;

// ---------------------------------------------------------------- what every notation shares

int Forward(Color c) {
  return c == engine::kRed ? 1 : -1;
}
// Files as a player counts them, 1..9 from his own right: red's right is file i, black's is a.
int SideFile(Color c, int file) {
  return c == engine::kRed ? 9 - file : file + 1;
}

bool StraightMover(Kind k) {
  return k == engine::kKing || k == engine::kRook || k == engine::kCannon || k == engine::kPawn;
}

enum class Dir { kForward, kBackward, kSideways };

// 进/退/平 and the number after it: ranks moved for pieces that move straight, otherwise the file
// the piece lands on.
struct Motion {
  Dir dir;
  int number;
};

Motion MotionOf(const Position& pos, Move m) {
  int piece = pos.PieceAt(m.from);
  Color c = engine::ColorOf(piece);
  int ranks = (engine::RankOf(m.to) - engine::RankOf(m.from)) * Forward(c);
  if (ranks == 0) return {Dir::kSideways, SideFile(c, engine::FileOf(m.to))};
  Dir dir = ranks > 0 ? Dir::kForward : Dir::kBackward;
  if (StraightMover(engine::KindOf(piece))) return {dir, std::abs(ranks)};
  return {dir, SideFile(c, engine::FileOf(m.to))};
}

// The pieces of one kind and colour on one file, the one nearest the enemy first.
struct Column {
  int count = 0;
  Square squares[10] = {};
  int IndexOf(Square s) const {
    for (int i = 0; i < count; ++i)
      if (squares[i] == s) return i;
    return -1;
  }
};

Column ColumnOf(const Position& pos, int piece, int file) {
  Column column;
  bool red = engine::ColorOf(piece) == engine::kRed;
  for (int i = 0; i < 10; ++i) {
    Square s = (red ? 9 - i : i) * 9 + file;
    if (pos.PieceAt(s) == piece) column.squares[column.count++] = s;
  }
  return column;
}

// How many files hold two or more soldiers of the piece's colour.
int TandemSoldierFiles(const Position& pos, int soldier) {
  int files = 0;
  for (int f = 0; f < 9; ++f) files += ColumnOf(pos, soldier, f).count >= 2;
  return files;
}

// How the moving piece is told apart from its fellows on the same file.
enum class Naming {
  kByFile,     // 炮二, C2: no other piece of its kind on its file (or they need no telling apart)
  kInColumn,   // 前炮, R+: by its place on a file that has two or more
  kInTwoFiles  // 前七, 3+: soldiers, when two files each hold two or more
};

struct Identity {
  Naming naming = Naming::kByFile;
  int index = 0, count = 1;  // its place in its column, front first, and the column's size
};

Identity IdentityOf(const Position& pos, Square from) {
  int piece = pos.PieceAt(from);
  Kind k = engine::KindOf(piece);
  Identity id;
  // A general is alone; advisors and elephants on one file move apart (进 for one, 退 for the
  // other), so the file names them, as players write them.
  if (k == engine::kKing || k == engine::kAdvisor || k == engine::kElephant) return id;
  Column column = ColumnOf(pos, piece, engine::FileOf(from));
  if (column.count < 2) return id;
  id.index = column.IndexOf(from);
  id.count = column.count;
  id.naming = k == engine::kPawn && TandemSoldierFiles(pos, piece) >= 2 ? Naming::kInTwoFiles
                                                                        : Naming::kInColumn;
  return id;
}

// ---------------------------------------------------------------- writing

const char* const kRedNames[8] = {"", "帅", "仕", "相", "马", "车", "炮", "兵"};
const char* const kBlackNames[8] = {"", "将", "士", "象", "马", "车", "炮", "卒"};
const char* const kRedDigits[10] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
const char* const kBlackDigits[10] = {"", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
const char kWxfLetters[8] = {'?', 'K', 'A', 'E', 'H', 'R', 'C', 'P'};

// 前/中/后 for two or three, 一…五 from the front for four or five.
std::string ChinesePlace(const Identity& id) {
  if (id.count >= 4) return kRedDigits[id.index + 1];
  if (id.index == 0) return "前";
  return id.index == id.count - 1 ? "后" : "中";
}

std::string WriteChinese(const Position& pos, Move m) {
  int piece = pos.PieceAt(m.from);
  Color c = engine::ColorOf(piece);
  const char* const* digits = c == engine::kRed ? kRedDigits : kBlackDigits;
  const char* name = (c == engine::kRed ? kRedNames : kBlackNames)[engine::KindOf(piece)];
  Identity id = IdentityOf(pos, m.from);
  int file = SideFile(c, engine::FileOf(m.from));
  std::string text;
  switch (id.naming) {
    case Naming::kByFile:
      text = std::string(name) + digits[file];
      break;
    case Naming::kInColumn:
      text = ChinesePlace(id) + name;
      break;
    case Naming::kInTwoFiles:
      text = ChinesePlace(id) + digits[file];
      break;
  }
  Motion motion = MotionOf(pos, m);
  text += motion.dir == Dir::kForward ? "进" : motion.dir == Dir::kBackward ? "退" : "平";
  return text + digits[motion.number];
}

// The federation's signs: + and - for front and rear; with four or five soldiers ++ and -- for
// the outermost, + and - for the next ones; a middle soldier keeps its file digit.
std::string WxfPlace(const Identity& id, int file) {
  if (id.count % 2 == 1 && id.index == id.count / 2) return std::to_string(file);
  if (id.count >= 4 && id.index == 0) return "++";
  if (id.count >= 4 && id.index == id.count - 1) return "--";
  return id.index < id.count / 2 ? "+" : "-";
}

std::string WriteWxf(const Position& pos, Move m) {
  int piece = pos.PieceAt(m.from);
  Color c = engine::ColorOf(piece);
  Kind k = engine::KindOf(piece);
  Identity id = IdentityOf(pos, m.from);
  int file = SideFile(c, engine::FileOf(m.from));
  std::string text;
  if (id.naming == Naming::kByFile) {
    text = std::string(1, kWxfLetters[k]) + std::to_string(file);
  } else if (id.naming == Naming::kInTwoFiles) {
    text = std::to_string(file) + WxfPlace(id, file);
  } else {
    std::string place = WxfPlace(id, file);
    text = place.size() == 2 ? place : std::string(1, kWxfLetters[k]) + place;
  }
  Motion motion = MotionOf(pos, m);
  text += motion.dir == Dir::kForward ? '+' : motion.dir == Dir::kBackward ? '-' : '.';
  return text + std::to_string(motion.number);
}

std::string SquareName(Square s) {
  return {char('a' + engine::FileOf(s)), char('0' + engine::RankOf(s))};
}

std::string WriteXboard(const Position& pos, Move m) {
  Kind k = engine::KindOf(pos.PieceAt(m.from));
  bool capture = pos.PieceAt(m.to) != 0;
  std::string text;
  if (k != engine::kPawn) text += kWxfLetters[k];
  bool same_file = false, same_rank = false, other = false;
  for (Move o : pos.LegalMoves()) {
    if (o.to != m.to || o.from == m.from || engine::KindOf(pos.PieceAt(o.from)) != k) continue;
    other = true;
    same_file |= engine::FileOf(o.from) == engine::FileOf(m.from);
    same_rank |= engine::RankOf(o.from) == engine::RankOf(m.from);
  }
  std::string from = SquareName(m.from);
  if (other && (!same_file || same_rank)) text += from[0];
  if (other && same_file) text += from[1];
  if (!other && k == engine::kPawn && capture) text += from[0];
  if (capture) text += 'x';
  text += SquareName(m.to);
  Position after = pos;
  after.MakeMove(m);
  if (after.InCheck()) text += after.NoLegalMoves() ? '#' : '+';
  return text;
}

// ---------------------------------------------------------------- reading

// Which of the pieces on a file a text names.
enum class Place {
  kAny,         // the file alone names it (or no file: any)
  kFront,       // 前: the first
  kMiddle,      // 中 (and the WXF middle digit of 33.4): the middle one of three or five
  kRear,        // 后: the last
  kOrdinal,     // 一…五: counted from the front
  kPlus,        // WXF +: the first of two or three, the second of four or five
  kMinus,       // WXF -
  kPlusPlus,    // WXF ++: the first of four or five
  kMinusMinus,  // WXF --
};

struct Description {
  Kind kind = engine::kNoKind;
  int file = 0;  // 1..9 counted from the mover's right, 0 when not given
  Place place = Place::kAny;
  int ordinal = 0;
  Dir dir = Dir::kForward;
  int number = 0;
};

int PlaceIndex(Place place, int ordinal, int count) {
  switch (place) {
    case Place::kAny:
      return -1;
    case Place::kFront:
      return 0;
    case Place::kRear:
      return count - 1;
    case Place::kMiddle:
      return count % 2 == 1 ? count / 2 : -1;
    case Place::kOrdinal:
      return ordinal <= count ? ordinal - 1 : -1;
    case Place::kPlus:
      return count <= 3 ? 0 : 1;
    case Place::kMinus:
      return count <= 3 ? count - 1 : count - 2;
    case Place::kPlusPlus:
      return 0;
    case Place::kMinusMinus:
      return count - 1;
  }
  return -1;
}

bool Fits(const Position& pos, Move m, const Description& d) {
  int piece = pos.PieceAt(m.from);
  if (d.kind != engine::kNoKind && engine::KindOf(piece) != d.kind) return false;
  Motion motion = MotionOf(pos, m);
  if (motion.dir != d.dir || motion.number != d.number) return false;
  Color c = engine::ColorOf(piece);
  if (d.file != 0 && SideFile(c, engine::FileOf(m.from)) != d.file) return false;
  if (d.place == Place::kAny) return true;
  Column column = ColumnOf(pos, piece, engine::FileOf(m.from));
  return column.count >= 2 &&
         column.IndexOf(m.from) == PlaceIndex(d.place, d.ordinal, column.count);
}

MoveReading Resolve(const Position& pos, const Description& d, Notation notation) {
  MoveReading reading;
  reading.notation = notation;
  std::vector<Move> fits;
  for (Move m : pos.LegalMoves())
    if (Fits(pos, m, d)) fits.push_back(m);
  if (fits.size() > 1 && d.place == Place::kAny && d.file != 0) {
    // Three or five soldiers on the named file: the bare file names the middle one (P3.4).
    Column column = ColumnOf(pos, pos.PieceAt(fits[0].from), engine::FileOf(fits[0].from));
    if (column.count % 2 == 1) {
      Square middle = column.squares[column.count / 2];
      std::erase_if(fits, [&](Move m) { return m.from != middle; });
    }
  }
  if (fits.size() == 1) reading.move = fits[0];
  reading.error = fits.empty() ? MoveError::kIllegal : MoveError::kAmbiguous;
  return reading;
}

// One character of a Chinese move.
struct Symbol {
  enum Type { kNone, kPiece, kPlace, kDigit, kDir } type = kNone;
  int value = 0;  // Kind, Place, 1..9 or Dir
};

Symbol Classify(char32_t ch) {
  struct Entry {
    char32_t ch;
    Symbol symbol;
  };
  static constexpr Entry kTable[] = {
      {U'帅', {Symbol::kPiece, engine::kKing}},       {U'帥', {Symbol::kPiece, engine::kKing}},
      {U'将', {Symbol::kPiece, engine::kKing}},       {U'將', {Symbol::kPiece, engine::kKing}},
      {U'仕', {Symbol::kPiece, engine::kAdvisor}},    {U'士', {Symbol::kPiece, engine::kAdvisor}},
      {U'相', {Symbol::kPiece, engine::kElephant}},   {U'象', {Symbol::kPiece, engine::kElephant}},
      {U'马', {Symbol::kPiece, engine::kKnight}},     {U'馬', {Symbol::kPiece, engine::kKnight}},
      {U'傌', {Symbol::kPiece, engine::kKnight}},     {U'车', {Symbol::kPiece, engine::kRook}},
      {U'車', {Symbol::kPiece, engine::kRook}},       {U'俥', {Symbol::kPiece, engine::kRook}},
      {U'伡', {Symbol::kPiece, engine::kRook}},       {U'㐷', {Symbol::kPiece, engine::kKnight}},
      {U'炮', {Symbol::kPiece, engine::kCannon}},     {U'砲', {Symbol::kPiece, engine::kCannon}},
      {U'包', {Symbol::kPiece, engine::kCannon}},     {U'兵', {Symbol::kPiece, engine::kPawn}},
      {U'卒', {Symbol::kPiece, engine::kPawn}},       {U'前', {Symbol::kPlace, int(Place::kFront)}},
      {U'中', {Symbol::kPlace, int(Place::kMiddle)}}, {U'后', {Symbol::kPlace, int(Place::kRear)}},
      {U'後', {Symbol::kPlace, int(Place::kRear)}},   {U'进', {Symbol::kDir, int(Dir::kForward)}},
      {U'進', {Symbol::kDir, int(Dir::kForward)}},    {U'退', {Symbol::kDir, int(Dir::kBackward)}},
      {U'平', {Symbol::kDir, int(Dir::kSideways)}},
  };
  static constexpr char32_t kNumerals[] = U"一二三四五六七八九";
  for (int i = 0; i < 9; ++i)
    if (ch == kNumerals[i]) return {Symbol::kDigit, i + 1};
  if (ch >= U'１' && ch <= U'９') return {Symbol::kDigit, int(ch - U'１') + 1};
  if (ch >= U'1' && ch <= U'9') return {Symbol::kDigit, int(ch - U'1') + 1};
  for (const Entry& e : kTable)
    if (e.ch == ch) return e.symbol;
  return {};
}

// The next code point of UTF-8 text, or nothing for a broken sequence.
std::optional<char32_t> NextCodePoint(std::string_view text, size_t& i) {
  uint8_t lead = uint8_t(text[i]);
  int extra = lead < 0x80             ? 0
              : (lead & 0xE0) == 0xC0 ? 1
              : (lead & 0xF0) == 0xE0 ? 2
              : (lead & 0xF8) == 0xF0 ? 3
                                      : -1;
  if (extra < 0 || text.size() - i <= size_t(extra)) return std::nullopt;
  char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    uint8_t next = uint8_t(text[i + k]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    cp = cp << 6 | (next & 0x3F);
  }
  i += extra + 1;
  return cp;
}

std::optional<Description> ParseChinese(std::string_view text) {
  std::vector<Symbol> symbols;
  for (size_t i = 0; i < text.size();) {
    auto cp = NextCodePoint(text, i);
    if (!cp) return std::nullopt;
    if (*cp == U' ' || *cp == U'\u3000') continue;
    Symbol s = Classify(*cp);
    if (s.type == Symbol::kNone || symbols.size() >= 5) return std::nullopt;
    symbols.push_back(s);
  }
  // 前兵七: the piece named between the place and the file; the name adds nothing.
  if (symbols.size() == 5 && symbols[0].type == Symbol::kPlace &&
      symbols[1].type == Symbol::kPiece && symbols[2].type == Symbol::kDigit)
    symbols.erase(symbols.begin() + 1);
  if (symbols.size() != 4 || symbols[2].type != Symbol::kDir || symbols[3].type != Symbol::kDigit)
    return std::nullopt;
  Description d;
  d.dir = Dir(symbols[2].value);
  d.number = symbols[3].value;
  const Symbol &a = symbols[0], &b = symbols[1];
  using S = Symbol;
  if (a.type == S::kPiece && b.type == S::kDigit) {  // 炮二
    d.kind = Kind(a.value), d.file = b.value;
  } else if (a.type == S::kPlace && b.type == S::kPiece) {  // 前炮
    d.kind = Kind(b.value), d.place = Place(a.value);
  } else if (a.type == S::kPiece && b.type == S::kPlace) {  // 炮前
    d.kind = Kind(a.value), d.place = Place(b.value);
  } else if (a.type == S::kDigit && b.type == S::kPiece) {  // 二兵: counted from the front
    d.kind = Kind(b.value), d.place = Place::kOrdinal, d.ordinal = a.value;
  } else if (a.type == S::kPlace && b.type == S::kDigit) {  // 前七: soldiers on two files
    d.kind = engine::kPawn, d.place = Place(a.value), d.file = b.value;
  } else if (a.type == S::kDigit && b.type == S::kDigit) {  // 二七
    d.kind = engine::kPawn, d.place = Place::kOrdinal, d.ordinal = a.value, d.file = b.value;
  } else {
    return std::nullopt;
  }
  return d;
}

Kind WxfKind(char ch) {
  switch (ch) {
    case 'K':
    case 'G':
      return engine::kKing;
    case 'A':
      return engine::kAdvisor;
    case 'E':
    case 'B':
      return engine::kElephant;
    case 'H':
    case 'N':
      return engine::kKnight;
    case 'R':
      return engine::kRook;
    case 'C':
      return engine::kCannon;
    case 'P':
      return engine::kPawn;
    default:
      return engine::kNoKind;
  }
}

bool IsDigit1to9(char ch) {
  return ch >= '1' && ch <= '9';
}
bool IsSign(char ch) {
  return ch == '+' || ch == '-';
}
Place SignPlace(char ch) {
  return ch == '+' ? Place::kPlus : Place::kMinus;
}

std::optional<Description> ParseWxf(std::string_view text) {
  if (text.size() < 3 || text.size() > 4) return std::nullopt;
  char s[4];
  for (size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    s[i] = ch >= 'a' && ch <= 'z' ? char(ch - 'a' + 'A') : ch == '=' ? '.' : ch;
  }
  if (text.size() == 3) {  // C25: the sideways sign left out
    if (!WxfKind(s[0]) || !IsDigit1to9(s[1])) return std::nullopt;
    s[3] = s[2], s[2] = '.';
  }
  if (!IsDigit1to9(s[3])) return std::nullopt;
  Description d;
  if (s[2] == '+')
    d.dir = Dir::kForward;
  else if (s[2] == '-')
    d.dir = Dir::kBackward;
  else if (s[2] == '.')
    d.dir = Dir::kSideways;
  else
    return std::nullopt;
  d.number = s[3] - '0';
  char a = s[0], b = s[1];
  if (WxfKind(a) && IsDigit1to9(b)) {  // C2
    d.kind = WxfKind(a), d.file = b - '0';
  } else if (WxfKind(a) && IsSign(b)) {  // R+
    d.kind = WxfKind(a), d.place = SignPlace(b);
  } else if (IsSign(a) && WxfKind(b)) {  // +R
    d.kind = WxfKind(b), d.place = SignPlace(a);
  } else if (IsSign(a) && a == b) {  // ++ and --: the outermost of four or five soldiers
    d.kind = engine::kPawn, d.place = a == '+' ? Place::kPlusPlus : Place::kMinusMinus;
  } else if (IsDigit1to9(a) && IsSign(b)) {  // 3+: soldiers on two files
    d.kind = engine::kPawn, d.file = a - '0', d.place = SignPlace(b);
  } else if (IsDigit1to9(a) && a == b) {  // 33: the middle one of them
    d.kind = engine::kPawn, d.file = a - '0', d.place = Place::kMiddle;
  } else {
    return std::nullopt;
  }
  return d;
}

// XBoard's algebraic move: [piece][from file][from rank][x]square, then check signs.
struct Algebraic {
  Kind kind = engine::kPawn;
  int from_file = -1, from_rank = -1;
  Square to = 0;
};

std::optional<Algebraic> ParseXboard(std::string_view text) {
  while (!text.empty() &&
         (text.back() == '+' || text.back() == '#' || text.back() == '!' || text.back() == '?'))
    text.remove_suffix(1);
  Algebraic a;
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
    a.kind = WxfKind(text[0]);
    if (a.kind == engine::kNoKind) return std::nullopt;
    text.remove_prefix(1);
  }
  auto is_file = [](char ch) { return ch >= 'a' && ch <= 'i'; };
  auto is_rank = [](char ch) { return ch >= '0' && ch <= '9'; };
  if (text.size() < 2 || !is_file(text[text.size() - 2]) || !is_rank(text.back()))
    return std::nullopt;
  a.to = (text.back() - '0') * 9 + (text[text.size() - 2] - 'a');
  text.remove_suffix(2);
  if (!text.empty() && (text.back() == 'x' || text.back() == ':' || text.back() == '-'))
    text.remove_suffix(1);
  if (!text.empty() && is_file(text[0])) a.from_file = text[0] - 'a', text.remove_prefix(1);
  if (!text.empty() && is_rank(text[0])) a.from_rank = text[0] - '0', text.remove_prefix(1);
  if (!text.empty()) return std::nullopt;
  return a;
}

MoveReading ResolveXboard(const Position& pos, const Algebraic& a) {
  MoveReading reading;
  reading.notation = Notation::kXboard;
  int found = 0;
  for (Move m : pos.LegalMoves()) {
    if (m.to != a.to || engine::KindOf(pos.PieceAt(m.from)) != a.kind) continue;
    if (a.from_file >= 0 && engine::FileOf(m.from) != a.from_file) continue;
    if (a.from_rank >= 0 && engine::RankOf(m.from) != a.from_rank) continue;
    reading.move = m;
    ++found;
  }
  if (found != 1) reading.move.reset();
  reading.error = found == 0 ? MoveError::kIllegal : MoveError::kAmbiguous;
  return reading;
}

// ICCS is all lower case or all upper case: "A0e1" is XBoard's advisor from rank 0.
bool OneCase(std::string_view text) {
  auto upper = [](char ch) { return ch >= 'A' && ch <= 'Z'; };
  return text.size() >= 4 && upper(text[0]) == upper(text[text.size() - 2]);
}

bool HasNonAscii(std::string_view text) {
  for (char ch : text)
    if (uint8_t(ch) >= 0x80) return true;
  return false;
}

// XBoard's older files count ranks 1 to 10: every rank (the digits after a file or a piece
// letter) one lower.
std::optional<std::string> RanksFromZero(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    bool after_letter = i > 0 && ((text[i - 1] >= 'a' && text[i - 1] <= 'i') ||
                                  (text[i - 1] >= 'A' && text[i - 1] <= 'Z'));
    if (!after_letter || ch < '0' || ch > '9') {
      out += ch;
    } else if (text.substr(i).starts_with("10")) {
      out += '9';
      ++i;
    } else if (ch == '0') {
      return std::nullopt;  // no rank 0 when they count from 1
    } else {
      out += char(ch - 1);
    }
  }
  return out;
}

// A check sign after a move (车九进一+, h2e2+) says nothing the position does not.
std::string_view WithoutCheckSign(std::string_view text) {
  for (;;) {
    if (text.ends_with("+") || text.ends_with("#"))
      text.remove_suffix(1);
    else if (text.ends_with("＋"))
      text.remove_suffix(3);
    else
      return text;
  }
}

}  // namespace

std::string WriteMove(const Position& pos, Move move, Notation notation) {
  switch (notation) {
    case Notation::kChinese:
      return WriteChinese(pos, move);
    case Notation::kWxf:
      return WriteWxf(pos, move);
    case Notation::kIccs:
      return engine::ToIccs(move);
    case Notation::kXboard:
      return WriteXboard(pos, move);
  }
  return {};
}

std::vector<std::string> WriteLine(const Position& start, const std::vector<Move>& moves,
                                   Notation notation) {
  std::vector<std::string> texts;
  texts.reserve(moves.size());
  Position pos = start;
  for (Move m : moves) {
    texts.push_back(WriteMove(pos, m, notation));
    pos.MakeMove(m);
  }
  return texts;
}

MoveReading ReadMove(const Position& pos, std::string_view text) {
  if (HasNonAscii(text)) {
    auto d = ParseChinese(WithoutCheckSign(text));
    if (d) return Resolve(pos, *d, Notation::kChinese);
    return {std::nullopt, MoveError::kUnreadable, Notation::kChinese};
  }
  std::string_view iccs = WithoutCheckSign(text);
  if (auto m = OneCase(iccs) ? engine::ParseIccs(iccs) : std::nullopt) {
    MoveReading reading{std::nullopt, MoveError::kIllegal, Notation::kIccs};
    if (pos.IsLegal(*m)) reading.move = m;
    return reading;
  }
  if (auto d = ParseWxf(text)) return Resolve(pos, *d, Notation::kWxf);
  if (auto a = ParseXboard(text)) return ResolveXboard(pos, *a);
  return {};
}

MoveReading ReadMove(const Position& pos, std::string_view text, RankBase base) {
  if (base == RankBase::kFromZero || HasNonAscii(text)) return ReadMove(pos, text);
  auto shifted = RanksFromZero(text);
  if (!shifted) return {};
  return ReadMove(pos, *shifted);
}

const char* MoveErrorText(MoveError error) {
  switch (error) {
    case MoveError::kUnreadable:
      return "看不懂";
    case MoveError::kIllegal:
      return "不合规则";
    case MoveError::kAmbiguous:
      return "有歧义";
  }
  return "";
}

}  // namespace record
