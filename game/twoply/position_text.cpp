#include "game/twoply/position_text.h"

#include <cctype>
#include <cstring>

#include "engine/position.h"

namespace twoply {

namespace {

constexpr char kKindLetters[] = "krncabp";  // General .. Soldier, in piece kind order
constexpr uint8_t kRecordHeader[kRecordHeaderSize] = {0xcf, 0xf3, 0xc6, 0xe5,
                                                      0xc6, 0xe5, 0xbe, 0xd6};

// The piece code of a FEN letter, 0 when the letter names no piece.
uint8_t CodeOfLetter(char letter) {
  char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  if (lower == '\0') return 0;
  const char* found = std::strchr(kKindLetters, lower);
  if (found == nullptr) return 0;
  uint8_t kind = static_cast<uint8_t>(found - kKindLetters + 1);
  return std::isupper(static_cast<unsigned char>(letter)) ? kind + kHumanCodeOffset : kind;
}

char LetterOfCode(uint8_t code) {
  if (code >= 1 && code <= 7) return kKindLetters[code - 1];
  if (code >= 8 && code <= 14)
    return static_cast<char>(std::toupper(static_cast<unsigned char>(kKindLetters[code - 8])));
  return '?';
}

std::string_view NextField(std::string_view& rest) {
  size_t start = rest.find_first_not_of(" \t");
  if (start == std::string_view::npos) {
    rest = {};
    return {};
  }
  rest.remove_prefix(start);
  size_t end = rest.find_first_of(" \t");
  std::string_view field = rest.substr(0, end);
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
  return field;
}

bool ParseRanks(std::string_view field, BoardArray& board, std::string& error) {
  int32_t row = 1, col = 0;
  bool previousDigit = false;
  for (char c : field) {
    if (c == '/') {
      if (col != kCols) {
        error = "rank " + std::to_string(row) + " of the FEN is not 9 squares wide";
        return false;
      }
      if (++row > kRows) {
        error = "the FEN has more than 10 ranks";
        return false;
      }
      col = 0;
    } else if (c >= '1' && c <= '9') {
      if (previousDigit) {
        error = "rank " + std::to_string(row) + " of the FEN has two digits in a row";
        return false;
      }
      col += c - '0';
      if (col > kCols) {
        error = "rank " + std::to_string(row) + " of the FEN is wider than 9 squares";
        return false;
      }
    } else {
      uint8_t code = CodeOfLetter(c);
      if (code == 0) {
        error =
            std::isprint(static_cast<unsigned char>(c))
                ? std::string("unknown piece letter '") + c + "' in the FEN"
                : "unknown byte " + std::to_string(static_cast<unsigned char>(c)) + " in the FEN";
        return false;
      }
      if (++col > kCols) {
        error = "rank " + std::to_string(row) + " of the FEN is wider than 9 squares";
        return false;
      }
      board(row, col) = code;
    }
    previousDigit = c >= '1' && c <= '9';
  }
  if (row != kRows) {
    error = "the FEN has " + std::to_string(row) + " ranks instead of 10";
    return false;
  }
  if (col != kCols) {
    error = "rank 10 of the FEN is not 9 squares wide";
    return false;
  }
  return true;
}

bool IsPrintable(std::string_view text) {
  for (char c : text)
    if (!std::isprint(static_cast<unsigned char>(c))) return false;
  return true;
}

bool IsTrailingField(std::string_view field) {
  if (field == "-") return true;
  for (char c : field)
    if (c < '0' || c > '9') return false;
  return !field.empty();
}

}  // namespace

std::optional<FenPosition> ParseFen(std::string_view text, std::string& error) {
  FenPosition position;
  std::string_view rest = text;
  std::string_view ranks = NextField(rest);
  if (ranks.empty()) {
    error = "empty FEN";
    return std::nullopt;
  }
  if (!ParseRanks(ranks, position.board, error)) return std::nullopt;
  std::string_view sideField = NextField(rest);
  if (!sideField.empty()) {
    if (sideField == "w") {
      position.side = Human;
    } else if (sideField == "b") {
      position.side = Computer;
    } else {
      error = "the FEN's side field must be w or b";
      return std::nullopt;
    }
  }
  int trailing = 0;
  for (std::string_view field = NextField(rest); !field.empty(); field = NextField(rest)) {
    if (!IsTrailingField(field) || ++trailing > 4) {
      error = "unexpected field after the FEN's side";
      if (IsPrintable(field)) error += ": '" + std::string(field) + "'";
      return std::nullopt;
    }
  }
  return position;
}

std::string FormatFen(const BoardArray& board, Side side) {
  std::string fen;
  for (int32_t row = 1; row <= kRows; ++row) {
    int empty = 0;
    for (int32_t col = 1; col <= kCols; ++col) {
      uint8_t code = board(row, col);
      if (code == Empty) {
        ++empty;
        continue;
      }
      if (empty != 0) fen += static_cast<char>('0' + empty);
      empty = 0;
      fen += LetterOfCode(code);
    }
    if (empty != 0) fen += static_cast<char>('0' + empty);
    if (row != kRows) fen += '/';
  }
  fen += side == Human ? " w" : " b";
  return fen;
}

uint8_t ToEngineSquare(Square square) {
  return uint8_t((kRows - square.row) * kCols + (square.col - 1));
}

Square FromEngineSquare(uint8_t square) {
  return Square{uint8_t(square % kCols + 1), uint8_t(kRows - square / kCols)};
}

std::optional<Move> ParseIccsMove(std::string_view text) {
  const std::optional<engine::Move> move = engine::ParseIccs(text);
  if (!move) return std::nullopt;
  return Move{FromEngineSquare(move->from), FromEngineSquare(move->to)};
}

std::string FormatIccsMove(const Move& move) {
  return engine::ToIccs(engine::Move{ToEngineSquare(move.from), ToEngineSquare(move.to)});
}

std::string FormatIccsSquare(Square square) {
  return FormatIccsMove(Move{square, square}).substr(0, 2);
}

std::optional<BoardArray> ParseRecord(std::span<const uint8_t> bytes, std::string& error) {
  if (bytes.size() < kRecordHeaderSize ||
      std::memcmp(bytes.data(), kRecordHeader, kRecordHeaderSize) != 0) {
    error = "not a game record (the header 象棋棋局 is missing)";
    return std::nullopt;
  }
  return ParseRecordBody(bytes.subspan(kRecordHeaderSize), error);
}

std::optional<BoardArray> ParseRecordBody(std::span<const uint8_t> body, std::string& error) {
  if (body.size() < size_t{kRows * kCols}) {
    error = "the game record holds fewer than 90 squares";
    return std::nullopt;
  }
  BoardArray board{kRows, kCols};
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      uint8_t code = body[size_t(row - 1) * kCols + size_t(col - 1)];
      if (code > kLastPieceCode) {
        error = "the game record holds the unknown piece code " + std::to_string(code);
        return std::nullopt;
      }
      board(row, col) = code;
    }
  return board;
}

}  // namespace twoply
