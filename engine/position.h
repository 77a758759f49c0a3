// The full-rules xiangqi position: a 90-square mailbox with a piece list per side, Zobrist keys,
// FEN and ICCS text, legal moves and perft. Standard C++ only; the game converts at its boundary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

enum Color : uint8_t { kRed = 0, kBlack = 1 };  // red moves first, red = upper case in FEN
inline Color Opponent(Color c) {
  return Color(c ^ 1);
}

// Squares 0..89: square = rank * 9 + file; file 0..8 is ICCS 'a'..'i', rank 0..9 is ICCS 0..9
// (rank 0 = red's back rank, at the bottom of the usual diagram; FEN's first rank is rank 9).
using Square = int;
struct Move {
  uint8_t from = 0, to = 0;
  friend bool operator==(Move, Move) = default;
};
inline constexpr Move kNoMove{0, 0};  // from == to never happens in a real move

std::string ToIccs(Move m);                            // "h2e2"
std::optional<Move> ParseIccs(std::string_view text);  // "h2e2", also "H2-E2"; nullopt if malformed

inline constexpr const char* kStartFen =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

// Piece kinds; a piece code is kind | color << 3 (red 1..7, black 9..15), 0 is empty.
enum Kind : uint8_t {
  kNoKind = 0,
  kKing = 1,
  kAdvisor = 2,
  kElephant = 3,
  kKnight = 4,
  kRook = 5,
  kCannon = 6,
  kPawn = 7
};
inline constexpr int MakePiece(Color c, Kind k) {
  return k | (c << 3);
}
inline constexpr Kind KindOf(int piece) {
  return Kind(piece & 7);
}
inline constexpr Color ColorOf(int piece) {
  return Color(piece >> 3);
}
inline constexpr int FileOf(Square s) {
  return s % 9;
}
inline constexpr int RankOf(Square s) {
  return s / 9;
}

inline constexpr int kMaxMoves = 160;  // above any count of pseudo-legal moves a legal position has

// Why a board cannot be a position of a game (each side one general in its palace, advisors on
// their five points and elephants on their seven, soldiers where they can go, at most 2 of each
// kind and 5 soldiers a side, the generals not facing, the side not to move not in check).
struct PositionProblem {
  enum class What : uint8_t {
    kNoGeneral,
    kTooMany,     // more than `most` of `piece`
    kOutOfPlace,  // `piece` on `square`, where it can never stand
    kGeneralsFacing,
    kNotToMoveInCheck,
  };
  What what = What::kNoGeneral;
  Color side = kRed;
  Kind piece = kNoKind;
  int most = 0;
  Square square = -1;
  friend bool operator==(const PositionProblem&, const PositionProblem&) = default;
};
// The problem in English, as the FEN reader gives it: "black has no general", "red advisor off its
// five points at d1"...
std::string DescribeProblem(const PositionProblem& problem);
// The board field of a FEN from a piece code (0 empty) for each of the 90 squares.
std::string FenBoard(const int8_t* board);

class Position {
 public:
  Position();  // the start position
  // Parses "BOARD [w|b|r] [...ignored fields]"; side defaults to red. 'r' is accepted as red.
  // Refuses (nullopt, reason in *error): wrong rank/file counts, unknown letters, more than one
  // general per side or none, too many pieces of a kind (more than 2 R/N/C/A/B or 5 P per side),
  // a general or advisor outside its palace, an elephant off its seven points, a soldier behind
  // its own river start rank or on a file it cannot reach there, and a position where the side
  // NOT to move is in check (it could capture the general).
  static std::optional<Position> FromFen(std::string_view fen, std::string* error = nullptr);
  std::string Fen() const;  // "BOARD w|b - - 0 N" (plies/move numbers kept)
  // Every problem of the board a FEN describes (none: FromFen takes it); nothing, with the reason
  // in *error, when the text is not a FEN at all.
  static std::optional<std::vector<PositionProblem>> CheckFen(std::string_view fen,
                                                              std::string* error = nullptr);

  Color SideToMove() const { return side_; }
  uint64_t Key() const { return key_; }              // Zobrist key, includes the side to move
  int PieceAt(Square s) const { return board_[s]; }  // 0 empty, else MakePiece(color, kind)
  char PieceChar(Square s) const;  // 'K','A','B','N','R','C','P' red, lower black, '.'
  bool InCheck() const;            // side to move's general attacked (or facing)

  std::vector<Move> LegalMoves() const;  // full rules: never leaves own general attacked,
                                         // generals never face on an open file
  bool IsLegal(Move m) const;
  // Makes a move (must be legal); keeps a history so that Unmake restores exactly, and so that
  // repetition can be judged across the whole game line given to the engine.
  void MakeMove(Move m);
  void UnmakeMove();
  size_t Ply() const { return history_.size() - 1; }  // moves made since this Position was created

  // The result of the game at this node for the side to move, under the full rules:
  // no legal move (mate or stalemate) = loss for the side to move.
  bool NoLegalMoves() const;

  // ---- for the search and perft ----
  // Pseudo-legal moves (every piece's moves by its own law, no test of the own general), or only
  // the captures; returns the count written to `out` (room for kMaxMoves).
  int GeneratePseudo(Move* out) const;
  int GenerateCaptures(Move* out) const;
  // Whether a pseudo-legal move of the side to move leaves its general safe; `in_check` is
  // InCheck() for this position (a cheap shortcut skips most tests when it is false).
  bool PseudoIsLegal(Move m, bool in_check) const;
  // Whether `m` is pseudo-legal here (for a hash move that may come from another position).
  bool IsPseudoLegal(Move m) const;
  bool Attacked(Square s, Color by) const;  // s is a general's square (flying general counts)
  Square KingSquare(Color c) const { return king_[c]; }
  // Passing the move (the search's null move); undone by UnmakeNullMove.
  void MakeNullMove();
  void UnmakeNullMove();
  // The sum of the piece-square values of the pieces, red's minus black's (kept as moves go), for
  // the middle game and for the endgame.
  int PieceSquareScore() const { return psq_; }
  int PieceSquareEndScore() const { return psq_end_; }
  int CountOf(Color c, Kind k) const { return count_[c][k]; }
  // The squares of a side's pieces: 16 slots, 0xFF for a captured piece.
  const uint8_t* Slots(Color c) const { return slots_[c]; }

  // One entry per position of the line since this Position was created (the last = now).
  struct State {
    uint64_t key = 0;
    Move move{};          // the move that led here (kNoMove for the first and after a null move)
    int8_t captured = 0;  // the piece it captured
    int8_t moved = 0;     // the piece that moved (0 for the first and after a null move)
    bool irreversible = true;  // a capture, a null move or the first position: looks stop here
    int8_t check = -1;         // side to move in check here: -1 unknown, 0 no, 1 yes
    int8_t captured_slot = -1;
    int32_t psq = 0;       // PieceSquareScore() here
    int32_t psq_end = 0;   // PieceSquareEndScore() here
    int32_t halfmove = 0;  // plies since the last capture here
  };
  const std::vector<State>& History() const { return history_; }
  // Whether the side to move is in check, cached in the history.
  bool InCheckCached();
  // Works out the check flag of every position of the line (for judging perpetual check).
  void MarkChecks();

 private:
  struct EmptyTag {};
  explicit Position(EmptyTag) {}
  void Clear();
  void Put(Square s, int piece);
  static std::optional<Position> Parse(std::string_view fen, std::string* error);
  std::vector<PositionProblem> Problems() const;

  int8_t board_[90] = {};
  int8_t slot_of_[90] = {};    // slot index of the piece on a square, -1 empty
  uint8_t slots_[2][16] = {};  // square per slot, 0xFF captured
  uint8_t king_[2] = {};
  int8_t count_[2][8] = {};
  Color side_ = kRed;
  uint64_t key_ = 0;
  int psq_ = 0, psq_end_ = 0;
  int halfmove_ = 0, fullmove_ = 1;  // as the FEN counts them
  std::vector<State> history_;
};

// Makes `moves` on `position` in turn as long as each is legal there (the one replay of a line
// every reader of a game uses); returns how many it made.
size_t MakeLegalMoves(Position& position, const std::vector<Move>& moves);

// Leaf count of the legal-move tree (full rules); depth 0 is 1.
uint64_t Perft(Position& pos, int depth);
// Per-root-move counts in generation order, as "go perft" prints them.
std::vector<std::pair<Move, uint64_t>> PerftDivide(Position& pos, int depth);

}  // namespace engine
