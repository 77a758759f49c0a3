#include "game/record/piece_places.h"

namespace record {

namespace {

constexpr char kSlotPieces[] = "RNBAKABNRCCPPPPP";

char SlotPiece(int slot) {
  char piece = kSlotPieces[slot % 16];
  return slot >= 16 ? char(piece - 'A' + 'a') : piece;
}

}  // namespace

PiecePlaces PlacesOf(const engine::Position& pos) {
  PiecePlaces places;
  places.fill(-1);
  for (int square = 0; square < 90; ++square) {
    char letter = pos.PieceChar(square);
    if (letter == '.') continue;
    for (int slot = 0; slot < 32; ++slot)
      if (SlotPiece(slot) == letter && places[slot] < 0) {
        places[slot] = square;
        break;
      }
  }
  return places;
}

std::optional<engine::Position> PositionOfPlaces(const PiecePlaces& places, bool black,
                                                 std::string* why) {
  std::string board(90, '.');
  for (int slot = 0; slot < 32; ++slot) {
    int square = places[slot];
    if (square < 0 || square >= 90) continue;
    if (board[square] != '.') {
      if (why) *why = "两个棋子在同一个位置";
      return std::nullopt;
    }
    board[square] = SlotPiece(slot);
  }
  std::string fen;
  for (int rank = 9; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 9; ++file) {
      char piece = board[rank * 9 + file];
      if (piece == '.') {
        ++empty;
        continue;
      }
      if (empty) fen += char('0' + empty), empty = 0;
      fen += piece;
    }
    if (empty) fen += char('0' + empty);
    if (rank > 0) fen += '/';
  }
  fen += black ? " b" : " w";
  return engine::Position::FromFen(fen, why);
}

std::optional<bool> BlackAt(const PiecePlaces& places, int square) {
  for (int slot = 0; slot < 32; ++slot)
    if (places[slot] == square) return slot >= 16;
  return std::nullopt;
}

}  // namespace record
