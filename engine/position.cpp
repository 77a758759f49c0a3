// The position: board, piece lists, keys, FEN, ICCS, pseudo-legal generation and the general's
// safety test that makes it legal.
#include "engine/position.h"

#include <array>
#include <cstring>

#include "engine/evaluation.h"
#include "engine/geometry.h"

namespace engine {

using detail::kGeo;

namespace {

constexpr uint64_t SplitMix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

struct Zobrist {
  uint64_t piece[16][90]{};
  uint64_t side = 0;
};

constexpr Zobrist MakeZobrist() {
  Zobrist z{};
  uint64_t state = 0x5851F42D4C957F2Dull;
  for (int p = 0; p < 16; ++p)
    for (int s = 0; s < 90; ++s) z.piece[p][s] = SplitMix(state);
  z.side = SplitMix(state);
  return z;
}

constexpr Zobrist kZobrist = MakeZobrist();

constexpr char kPieceLetters[] = ".KABNRCP.kabnrcp";

int PieceFromLetter(char c) {
  switch (c) {
    case 'K':
      return MakePiece(kRed, kKing);
    case 'A':
      return MakePiece(kRed, kAdvisor);
    case 'B':
    case 'E':
      return MakePiece(kRed, kElephant);
    case 'N':
    case 'H':
      return MakePiece(kRed, kKnight);
    case 'R':
      return MakePiece(kRed, kRook);
    case 'C':
      return MakePiece(kRed, kCannon);
    case 'P':
      return MakePiece(kRed, kPawn);
    case 'k':
      return MakePiece(kBlack, kKing);
    case 'a':
      return MakePiece(kBlack, kAdvisor);
    case 'b':
    case 'e':
      return MakePiece(kBlack, kElephant);
    case 'n':
    case 'h':
      return MakePiece(kBlack, kKnight);
    case 'r':
      return MakePiece(kBlack, kRook);
    case 'c':
      return MakePiece(kBlack, kCannon);
    case 'p':
      return MakePiece(kBlack, kPawn);
    default:
      return 0;
  }
}

// The fields of a FEN, split on runs of spaces.
std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

std::optional<int> SmallNumber(std::string_view text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

}  // namespace

// ---------------------------------------------------------------- text

std::string ToIccs(Move m) {
  std::string out(4, ' ');
  out[0] = char('a' + FileOf(m.from));
  out[1] = char('0' + RankOf(m.from));
  out[2] = char('a' + FileOf(m.to));
  out[3] = char('0' + RankOf(m.to));
  return out;
}

std::optional<Move> ParseIccs(std::string_view text) {
  char buf[4];
  if (text.size() == 5 && text[2] == '-') {
    buf[0] = text[0], buf[1] = text[1], buf[2] = text[3], buf[3] = text[4];
  } else if (text.size() == 4) {
    for (int i = 0; i < 4; ++i) buf[i] = text[i];
  } else {
    return std::nullopt;
  }
  int squares[2];
  for (int i = 0; i < 2; ++i) {
    char f = buf[2 * i], r = buf[2 * i + 1];
    if (f >= 'A' && f <= 'I') f = char(f - 'A' + 'a');
    if (f < 'a' || f > 'i' || r < '0' || r > '9') return std::nullopt;
    squares[i] = (r - '0') * 9 + (f - 'a');
  }
  if (squares[0] == squares[1]) return std::nullopt;
  return Move{uint8_t(squares[0]), uint8_t(squares[1])};
}

// ---------------------------------------------------------------- setting up

Position::Position() {
  *this = *FromFen(kStartFen);
}

void Position::Clear() {
  std::memset(board_, 0, sizeof board_);
  std::memset(slot_of_, -1, sizeof slot_of_);
  std::memset(slots_, 0xFF, sizeof slots_);
  std::memset(count_, 0, sizeof count_);
  king_[0] = king_[1] = 0;
  side_ = kRed;
  key_ = 0;
  psq_ = psq_end_ = 0;
  history_.clear();
}

void Position::Put(Square s, int piece) {
  board_[s] = int8_t(piece);
  key_ ^= kZobrist.piece[piece][s];
  psq_ += detail::g_piece_square[piece][s];
  psq_end_ += detail::g_piece_square_end[piece][s];
  ++count_[ColorOf(piece)][KindOf(piece)];
  if (KindOf(piece) == kKing) king_[ColorOf(piece)] = uint8_t(s);
}

// The board and the fields of a FEN, before any rule is asked: no slots, no history.
std::optional<Position> Position::Parse(std::string_view fen, std::string* error) {
  Position pos{EmptyTag{}};
  pos.Clear();
  std::vector<std::string_view> fields = Fields(fen);
  if (fields.empty()) {
    Fail(error, "empty FEN");
    return std::nullopt;
  }
  int rank = 9, file = 0;
  for (char c : fields[0]) {
    if (c == '/') {
      if (file != 9) {
        Fail(error, "rank " + std::to_string(rank) + " does not have 9 files");
        return std::nullopt;
      }
      if (--rank < 0) {
        Fail(error, "more than 10 ranks");
        return std::nullopt;
      }
      file = 0;
    } else if (c >= '1' && c <= '9') {
      file += c - '0';
      if (file > 9) {
        Fail(error, "rank " + std::to_string(rank) + " has more than 9 files");
        return std::nullopt;
      }
    } else {
      int piece = PieceFromLetter(c);
      if (piece == 0) {
        Fail(error, (c >= 32 && c < 127) ? std::string("unknown piece letter '") + c + "'"
                                         : std::string("unknown character in the board"));
        return std::nullopt;
      }
      if (file >= 9) {
        Fail(error, "rank " + std::to_string(rank) + " has more than 9 files");
        return std::nullopt;
      }
      pos.Put(rank * 9 + file, piece);
      ++file;
    }
  }
  if (rank != 0 || file != 9) {
    Fail(error, rank != 0 ? "fewer than 10 ranks" : "the last rank does not have 9 files");
    return std::nullopt;
  }
  if (fields.size() >= 2) {
    if (fields[1] == "w" || fields[1] == "r" || fields[1] == "W" || fields[1] == "R") {
      pos.side_ = kRed;
    } else if (fields[1] == "b" || fields[1] == "B") {
      pos.side_ = kBlack;
    } else {
      Fail(error, "the side to move must be w, r or b");
      return std::nullopt;
    }
  }
  if (fields.size() >= 6) {
    auto half = SmallNumber(fields[4]);
    auto full = SmallNumber(fields[5]);
    if (half && full) {
      pos.halfmove_ = *half;
      pos.fullmove_ = *full < 1 ? 1 : *full;
    }
  }
  return pos;
}

std::optional<std::vector<PositionProblem>> Position::CheckFen(std::string_view fen,
                                                               std::string* error) {
  std::optional<Position> pos = Parse(fen, error);
  if (!pos) return std::nullopt;
  return pos->Problems();
}

std::optional<Position> Position::FromFen(std::string_view fen, std::string* error) {
  std::optional<Position> parsed = Parse(fen, error);
  if (!parsed) return std::nullopt;
  Position& pos = *parsed;
  if (const std::vector<PositionProblem> problems = pos.Problems(); !problems.empty()) {
    Fail(error, DescribeProblem(problems.front()));
    return std::nullopt;
  }
  // Slots in a fixed order of kinds (general first), so every walk of the pieces is the same.
  int next[2] = {0, 0};
  for (int kind = kKing; kind <= kPawn; ++kind)
    for (int s = 0; s < 90; ++s)
      if (pos.board_[s] && KindOf(pos.board_[s]) == kind) {
        Color c = ColorOf(pos.board_[s]);
        pos.slot_of_[s] = int8_t(next[c]);
        pos.slots_[c][next[c]++] = uint8_t(s);
      }
  if (pos.side_ == kBlack) pos.key_ ^= kZobrist.side;
  pos.history_.reserve(256);
  State first;
  first.key = pos.key_;
  first.irreversible = true;
  first.psq = pos.psq_;
  first.psq_end = pos.psq_end_;
  first.halfmove = pos.halfmove_;
  pos.history_.push_back(first);
  return pos;
}

std::vector<PositionProblem> Position::Problems() const {
  using What = PositionProblem::What;
  std::vector<PositionProblem> problems;
  for (Color c : {kRed, kBlack}) {
    if (count_[c][kKing] == 0) problems.push_back({What::kNoGeneral, c});
    for (int k = kKing; k <= kPawn; ++k) {
      const int most = k == kKing ? 1 : k == kPawn ? 5 : 2;
      if (count_[c][k] > most) problems.push_back({What::kTooMany, c, Kind(k), most});
    }
  }
  for (int s = 0; s < 90; ++s) {
    const int piece = board_[s];
    if (!piece) continue;
    const Color c = ColorOf(piece);
    // Seen from the piece's own side: rank 0 is its back rank.
    const int r = c == kRed ? RankOf(s) : 9 - RankOf(s);
    const int f = FileOf(s);
    bool placed = true;
    switch (KindOf(piece)) {
      case kKing:
        placed = r <= 2 && f >= 3 && f <= 5;
        break;
      case kAdvisor:
        placed = ((r == 0 || r == 2) && (f == 3 || f == 5)) || (r == 1 && f == 4);
        break;
      case kElephant:
        placed =
            ((r == 0 || r == 4) && (f == 2 || f == 6)) || (r == 2 && (f == 0 || f == 4 || f == 8));
        break;
      case kPawn:
        placed = r >= 3 && !(r <= 4 && f % 2 == 1);
        break;
      default:
        break;
    }
    if (!placed) problems.push_back({What::kOutOfPlace, c, KindOf(piece), 0, s});
  }
  // Check needs one general a side, each in its palace.
  if (!problems.empty()) return problems;
  const Square red = king_[kRed], black = king_[kBlack];
  bool facing = FileOf(red) == FileOf(black);
  for (Square s = red + 9; facing && s < black; s += 9) facing = board_[s] == 0;
  if (facing)
    problems.push_back({What::kGeneralsFacing, Opponent(side_)});
  else if (Attacked(king_[Opponent(side_)], side_))
    problems.push_back({What::kNotToMoveInCheck, Opponent(side_)});
  return problems;
}

std::string DescribeProblem(const PositionProblem& problem) {
  static const char* kNames[8] = {"",      "general", "advisor", "elephant",
                                  "horse", "chariot", "cannon",  "soldier"};
  using What = PositionProblem::What;
  const std::string side = problem.side == kRed ? "red" : "black";
  const std::string kind = kNames[problem.piece];
  switch (problem.what) {
    case What::kNoGeneral:
      return side + " has no general";
    case What::kTooMany:
      return problem.piece == kKing
                 ? side + " has more than one general"
                 : side + " has more than " + std::to_string(problem.most) + " " + kind + "s";
    case What::kOutOfPlace: {
      const std::string where =
          std::string(1, char('a' + FileOf(problem.square))) + char('0' + RankOf(problem.square));
      switch (problem.piece) {
        case kKing:
          return side + " general outside its palace at " + where;
        case kAdvisor:
          return side + " advisor off its five points at " + where;
        case kElephant:
          return side + " elephant off its seven points at " + where;
        default:
          return side + " soldier on a square it can never reach at " + where;
      }
    }
    case What::kGeneralsFacing:
      return "the generals face each other on an open file";
    case What::kNotToMoveInCheck:
      break;
  }
  return "the side not to move is in check";
}

std::string FenBoard(const int8_t* board) {
  std::string out;
  for (int rank = 9; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 9; ++file) {
      int piece = board[rank * 9 + file];
      if (!piece) {
        ++empty;
        continue;
      }
      if (empty) out += char('0' + empty);
      empty = 0;
      out += kPieceLetters[piece];
    }
    if (empty) out += char('0' + empty);
    if (rank) out += '/';
  }
  return out;
}

std::string Position::Fen() const {
  std::string out = FenBoard(board_);
  out += side_ == kRed ? " w - - " : " b - - ";
  out += std::to_string(halfmove_) + " " + std::to_string(fullmove_);
  return out;
}

char Position::PieceChar(Square s) const {
  return kPieceLetters[board_[s]];
}

// ---------------------------------------------------------------- attacks and moves

bool Position::Attacked(Square s, Color by) const {
  const int rook = MakePiece(by, kRook), cannon = MakePiece(by, kCannon);
  const int king = MakePiece(by, kKing), knight = MakePiece(by, kKnight);
  const int pawn = MakePiece(by, kPawn);
  for (int d = 0; d < 4; ++d) {
    const uint8_t* ray = kGeo.ray[s][d];
    int i = 0;
    for (; ray[i] != 0xFF && !board_[ray[i]]; ++i) {
    }
    if (ray[i] == 0xFF) continue;
    int first = board_[ray[i]];
    if (first == rook || (first == king && d < 2)) return true;
    for (++i; ray[i] != 0xFF && !board_[ray[i]]; ++i) {
    }
    if (ray[i] != 0xFF && board_[ray[i]] == cannon) return true;
  }
  for (int i = 0; i < kGeo.katt_n[s]; ++i)
    if (board_[kGeo.katt_from[s][i]] == knight && !board_[kGeo.katt_leg[s][i]]) return true;
  // A soldier attacks the square ahead of it, and the squares beside it once across the river;
  // next to a general in its palace it is always across.
  int behind = by == kRed ? s - 9 : s + 9;
  if (behind >= 0 && behind < 90 && board_[behind] == pawn) return true;
  if (FileOf(s) > 0 && board_[s - 1] == pawn) return true;
  if (FileOf(s) < 8 && board_[s + 1] == pawn) return true;
  return false;
}

bool Position::InCheck() const {
  return Attacked(king_[side_], Opponent(side_));
}

bool Position::InCheckCached() {
  State& st = history_.back();
  if (st.check < 0) st.check = InCheck() ? 1 : 0;
  return st.check == 1;
}

void Position::MarkChecks() {
  std::vector<Move> line;
  while (history_.size() > 1 && history_.back().move != kNoMove) {
    line.push_back(history_.back().move);
    UnmakeMove();
  }
  InCheckCached();
  for (size_t i = line.size(); i-- > 0;) {
    MakeMove(line[i]);
    InCheckCached();
  }
}

namespace {

template <bool kCapturesOnly>
int Generate(const int8_t* board, const uint8_t* slots, Color side, Move* out) {
  int n = 0;
  auto own = [&](int t) { return board[t] && ColorOf(board[t]) == side; };
  auto add = [&](int from, int to) {
    if (kCapturesOnly ? (board[to] && !own(to)) : !own(to))
      out[n++] = Move{uint8_t(from), uint8_t(to)};
  };
  for (int i = 0; i < 16; ++i) {
    int s = slots[i];
    if (s == 0xFF) continue;
    switch (KindOf(board[s])) {
      case kKing:
        for (int j = 0; j < kGeo.king_n[s]; ++j) add(s, kGeo.king_to[s][j]);
        break;
      case kAdvisor:
        for (int j = 0; j < kGeo.adv_n[s]; ++j) add(s, kGeo.adv_to[s][j]);
        break;
      case kElephant:
        for (int j = 0; j < kGeo.eleph_n[s]; ++j)
          if (!board[kGeo.eleph_eye[s][j]]) add(s, kGeo.eleph_to[s][j]);
        break;
      case kKnight:
        for (int j = 0; j < kGeo.knight_n[s]; ++j)
          if (!board[kGeo.knight_leg[s][j]]) add(s, kGeo.knight_to[s][j]);
        break;
      case kRook:
        for (int d = 0; d < 4; ++d) {
          const uint8_t* ray = kGeo.ray[s][d];
          for (int j = 0; ray[j] != 0xFF; ++j) {
            int t = ray[j];
            if (!board[t]) {
              if (!kCapturesOnly) out[n++] = Move{uint8_t(s), uint8_t(t)};
              continue;
            }
            if (!own(t)) out[n++] = Move{uint8_t(s), uint8_t(t)};
            break;
          }
        }
        break;
      case kCannon:
        for (int d = 0; d < 4; ++d) {
          const uint8_t* ray = kGeo.ray[s][d];
          int j = 0;
          for (; ray[j] != 0xFF && !board[ray[j]]; ++j)
            if (!kCapturesOnly) out[n++] = Move{uint8_t(s), ray[j]};
          if (ray[j] == 0xFF) continue;
          for (++j; ray[j] != 0xFF && !board[ray[j]]; ++j) {
          }
          if (ray[j] != 0xFF && !own(ray[j])) out[n++] = Move{uint8_t(s), ray[j]};
        }
        break;
      case kPawn:
        for (int j = 0; j < kGeo.pawn_n[side][s]; ++j) add(s, kGeo.pawn_to[side][s][j]);
        break;
      default:
        break;
    }
  }
  return n;
}

}  // namespace

int Position::GeneratePseudo(Move* out) const {
  return Generate<false>(board_, slots_[side_], side_, out);
}
int Position::GenerateCaptures(Move* out) const {
  return Generate<true>(board_, slots_[side_], side_, out);
}

bool Position::PseudoIsLegal(Move m, bool in_check) const {
  int piece = board_[m.from];
  Square king = king_[side_];
  bool is_king = KindOf(piece) == kKing;
  if (!in_check && !is_king) {
    // Only a move on the general's file or rank (a line opened, or a cannon's screen made) or
    // off a square diagonally next to it (a horse's leg freed) can expose the general.
    if (FileOf(m.from) != FileOf(king) && RankOf(m.from) != RankOf(king) &&
        FileOf(m.to) != FileOf(king) && RankOf(m.to) != RankOf(king) &&
        !kGeo.king_near_diag[king][m.from])
      return true;
  }
  // Try it on the board and put it back: the board is restored before returning.
  int8_t* board = const_cast<int8_t*>(board_);
  int8_t captured = board[m.to];
  board[m.to] = int8_t(piece);
  board[m.from] = 0;
  bool safe = !Attacked(is_king ? m.to : king, Opponent(side_));
  board[m.from] = int8_t(piece);
  board[m.to] = captured;
  return safe;
}

bool Position::IsPseudoLegal(Move m) const {
  if (m.from >= 90 || m.to >= 90 || m.from == m.to) return false;
  int piece = board_[m.from];
  if (!piece || ColorOf(piece) != side_) return false;
  int target = board_[m.to];
  if (target && ColorOf(target) == side_) return false;
  int s = m.from, t = m.to;
  switch (KindOf(piece)) {
    case kKing:
      for (int j = 0; j < kGeo.king_n[s]; ++j)
        if (kGeo.king_to[s][j] == t) return true;
      return false;
    case kAdvisor:
      for (int j = 0; j < kGeo.adv_n[s]; ++j)
        if (kGeo.adv_to[s][j] == t) return true;
      return false;
    case kElephant:
      for (int j = 0; j < kGeo.eleph_n[s]; ++j)
        if (kGeo.eleph_to[s][j] == t) return !board_[kGeo.eleph_eye[s][j]];
      return false;
    case kKnight:
      for (int j = 0; j < kGeo.knight_n[s]; ++j)
        if (kGeo.knight_to[s][j] == t) return !board_[kGeo.knight_leg[s][j]];
      return false;
    case kPawn:
      for (int j = 0; j < kGeo.pawn_n[side_][s]; ++j)
        if (kGeo.pawn_to[side_][s][j] == t) return true;
      return false;
    case kRook:
    case kCannon: {
      if (FileOf(s) != FileOf(t) && RankOf(s) != RankOf(t)) return false;
      int step = FileOf(s) == FileOf(t) ? (t > s ? 9 : -9) : (t > s ? 1 : -1);
      int between = 0;
      for (int q = s + step; q != t; q += step) between += board_[q] != 0;
      if (KindOf(piece) == kRook) return between == 0;
      return target ? between == 1 : between == 0;
    }
    default:
      return false;
  }
}

std::vector<Move> Position::LegalMoves() const {
  Move moves[kMaxMoves];
  int n = GeneratePseudo(moves);
  bool check = InCheck();
  std::vector<Move> out;
  out.reserve(n);
  for (int i = 0; i < n; ++i)
    if (PseudoIsLegal(moves[i], check)) out.push_back(moves[i]);
  return out;
}

bool Position::IsLegal(Move m) const {
  return IsPseudoLegal(m) && PseudoIsLegal(m, InCheck());
}

bool Position::NoLegalMoves() const {
  Move moves[kMaxMoves];
  int n = GeneratePseudo(moves);
  bool check = InCheck();
  for (int i = 0; i < n; ++i)
    if (PseudoIsLegal(moves[i], check)) return false;
  return true;
}

// ---------------------------------------------------------------- making moves

void Position::MakeMove(Move m) {
  int piece = board_[m.from];
  int captured = board_[m.to];
  State st;
  st.move = m;
  st.captured = int8_t(captured);
  st.moved = int8_t(piece);
  st.irreversible = captured != 0;
  st.captured_slot = slot_of_[m.to];
  uint64_t key = key_ ^ kZobrist.piece[piece][m.from] ^ kZobrist.piece[piece][m.to] ^ kZobrist.side;
  const auto& table = detail::g_piece_square[piece];
  const auto& end_table = detail::g_piece_square_end[piece];
  int psq = psq_ - table[m.from] + table[m.to];
  int psq_end = psq_end_ - end_table[m.from] + end_table[m.to];
  if (captured) {
    key ^= kZobrist.piece[captured][m.to];
    psq -= detail::g_piece_square[captured][m.to];
    psq_end -= detail::g_piece_square_end[captured][m.to];
    slots_[ColorOf(captured)][slot_of_[m.to]] = 0xFF;
    --count_[ColorOf(captured)][KindOf(captured)];
    halfmove_ = 0;
  } else {
    ++halfmove_;
  }
  int slot = slot_of_[m.from];
  slots_[side_][slot] = m.to;
  slot_of_[m.to] = int8_t(slot);
  slot_of_[m.from] = -1;
  board_[m.to] = int8_t(piece);
  board_[m.from] = 0;
  if (KindOf(piece) == kKing) king_[side_] = m.to;
  if (side_ == kBlack) ++fullmove_;
  side_ = Opponent(side_);
  key_ = key;
  psq_ = psq;
  psq_end_ = psq_end;
  st.key = key;
  st.psq = psq;
  st.psq_end = psq_end;
  st.halfmove = halfmove_;
  history_.push_back(st);
}

void Position::UnmakeMove() {
  const State st = history_.back();
  history_.pop_back();
  side_ = Opponent(side_);
  if (side_ == kBlack) --fullmove_;
  Move m = st.move;
  int piece = board_[m.to];
  int slot = slot_of_[m.to];
  slots_[side_][slot] = m.from;
  slot_of_[m.from] = int8_t(slot);
  board_[m.from] = int8_t(piece);
  board_[m.to] = st.captured;
  slot_of_[m.to] = st.captured_slot;
  if (st.captured) {
    slots_[ColorOf(st.captured)][st.captured_slot] = m.to;
    ++count_[ColorOf(st.captured)][KindOf(st.captured)];
  }
  if (KindOf(piece) == kKing) king_[side_] = m.from;
  const State& back = history_.back();
  key_ = back.key;
  psq_ = back.psq;
  psq_end_ = back.psq_end;
  halfmove_ = back.halfmove;
}

void Position::MakeNullMove() {
  side_ = Opponent(side_);
  key_ ^= kZobrist.side;
  State st;
  st.key = key_;
  st.irreversible = true;
  st.psq = psq_;
  st.psq_end = psq_end_;
  st.halfmove = halfmove_;
  history_.push_back(st);
}

void Position::UnmakeNullMove() {
  history_.pop_back();
  side_ = Opponent(side_);
  key_ = history_.back().key;
}

// ---------------------------------------------------------------- perft

namespace {

uint64_t PerftLeaves(Position& pos, int depth) {
  Move moves[kMaxMoves];
  int n = pos.GeneratePseudo(moves);
  bool check = pos.InCheck();
  uint64_t total = 0;
  if (depth == 1) {
    for (int i = 0; i < n; ++i) total += pos.PseudoIsLegal(moves[i], check);
    return total;
  }
  for (int i = 0; i < n; ++i) {
    if (!pos.PseudoIsLegal(moves[i], check)) continue;
    pos.MakeMove(moves[i]);
    total += PerftLeaves(pos, depth - 1);
    pos.UnmakeMove();
  }
  return total;
}

}  // namespace

size_t MakeLegalMoves(Position& position, const std::vector<Move>& moves) {
  size_t made = 0;
  for (; made < moves.size() && position.IsLegal(moves[made]); ++made)
    position.MakeMove(moves[made]);
  return made;
}

uint64_t Perft(Position& pos, int depth) {
  if (depth <= 0) return 1;
  return PerftLeaves(pos, depth);
}

std::vector<std::pair<Move, uint64_t>> PerftDivide(Position& pos, int depth) {
  std::vector<std::pair<Move, uint64_t>> out;
  if (depth <= 0) return out;
  for (Move m : pos.LegalMoves()) {
    pos.MakeMove(m);
    out.emplace_back(m, Perft(pos, depth - 1));
    pos.UnmakeMove();
  }
  return out;
}

}  // namespace engine
