// Positions and moves as text: the common xiangqi FEN, ICCS coordinates and the 98-byte record.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "game/twoply/board.h"

namespace twoply {

// A FEN: ten ranks from row 1 (the computer's back row) to row 10, separated by '/', digits for
// runs of empty squares, upper case for the human's pieces and lower case for the computer's
// (k general, a advisor, b elephant, n horse, r chariot, c cannon, p soldier); then an optional
// side field, w (human) or b (computer), and optional trailing fields of '-' or digits.
struct FenPosition {
  BoardArray board{kRows, kCols};
  std::optional<Side> side;
};
// Nothing, with the reason in `error`, when the text is not such a FEN.
std::optional<FenPosition> ParseFen(std::string_view text, std::string& error);
std::string FormatFen(const BoardArray& board, Side side);

// ICCS, read and written by the engine's one codec: files a..i are columns 1..9, ranks 0..9 are
// rows 10..1 ("b2e2"). Upper case and a dash between the squares ("B2-E2") are accepted.
std::optional<Move> ParseIccsMove(std::string_view text);
std::string FormatIccsMove(const Move& move);
std::string FormatIccsSquare(Square square);
// A square in the engine's numbering (rank * 9 + file, rank 0 the bottom row), and back.
uint8_t ToEngineSquare(Square square);
Square FromEngineSquare(uint8_t square);

// The game record: the 8 header bytes of "象棋棋局" and 90 codes row by row; bytes after the
// 98th are ignored. Codes above 14 are refused here, since no piece of the game has them.
inline constexpr size_t kRecordHeaderSize = 8;
inline constexpr size_t kRecordSize = kRecordHeaderSize + kRows * kCols;
std::optional<BoardArray> ParseRecord(std::span<const uint8_t> bytes, std::string& error);
// The same for the bytes after the header: at least 90, each a code 0..14.
std::optional<BoardArray> ParseRecordBody(std::span<const uint8_t> body, std::string& error);

}  // namespace twoply
