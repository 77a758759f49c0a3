// The full-rules engine's evaluation: material and piece-square values kept by the position as
// moves are made, plus terms computed at the leaf (mobility, the general's guard, cannons aimed
// at the general, a side that cannot win).
#pragma once

#include <array>
#include <cstdint>

#include "engine/position.h"

namespace engine {

namespace tables {

// Values with the material included, seen by red: row 0 of each table is rank 9 (the far side,
// the top of the usual diagram) and row 9 is red's back rank, so they read like the board.
using Table = std::array<int16_t, 90>;

inline constexpr Table kPawn = {
    110, 110, 110, 120, 130, 120, 110, 110, 110,
    130, 150, 170, 210, 230, 210, 170, 150, 130,
    130, 150, 170, 200, 210, 200, 170, 150, 130,
    130, 145, 160, 175, 180, 175, 160, 145, 130,
    120, 130, 140, 150, 150, 150, 140, 130, 120,
    105,   0, 110,   0, 115,   0, 110,   0, 105,
    100,   0, 100,   0, 105,   0, 100,   0, 100,
      0,   0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,   0};
inline constexpr Table kKnight = {
    400, 390, 400, 410, 390, 410, 400, 390, 400,
    400, 420, 440, 440, 420, 440, 440, 420, 400,
    410, 430, 440, 450, 440, 450, 440, 430, 410,
    410, 440, 450, 460, 450, 460, 450, 440, 410,
    405, 430, 440, 445, 445, 445, 440, 430, 405,
    400, 420, 430, 435, 435, 435, 430, 420, 400,
    395, 410, 420, 425, 420, 425, 420, 410, 395,
    395, 405, 415, 415, 410, 415, 415, 405, 395,
    385, 395, 400, 400, 380, 400, 400, 395, 385,
    380, 380, 390, 385, 380, 385, 390, 380, 380};
inline constexpr Table kRook = {
    900, 910, 905, 915, 915, 915, 905, 910, 900,
    905, 915, 910, 920, 920, 920, 910, 915, 905,
    900, 910, 905, 915, 920, 915, 905, 910, 900,
    905, 915, 915, 920, 920, 920, 915, 915, 905,
    905, 915, 915, 920, 920, 920, 915, 915, 905,
    900, 910, 910, 915, 915, 915, 910, 910, 900,
    895, 910, 905, 910, 910, 910, 905, 910, 895,
    890, 905, 900, 905, 905, 905, 900, 905, 890,
    890, 900, 900, 905, 900, 905, 900, 900, 890,
    880, 895, 890, 900, 890, 900, 890, 895, 880};
inline constexpr Table kCannon = {
    460, 455, 450, 440, 440, 440, 450, 455, 460,
    455, 452, 450, 445, 440, 445, 450, 452, 455,
    452, 452, 450, 450, 455, 450, 450, 452, 452,
    450, 452, 452, 452, 458, 452, 452, 452, 450,
    450, 450, 450, 452, 458, 452, 450, 450, 450,
    448, 450, 452, 452, 458, 452, 452, 450, 448,
    448, 450, 450, 450, 455, 450, 450, 450, 448,
    450, 452, 455, 455, 458, 455, 455, 452, 450,
    450, 450, 452, 452, 452, 452, 452, 450, 450,
    450, 450, 450, 452, 452, 452, 450, 450, 450};
inline constexpr Table kAdvisor = {
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0, 195,   0, 195, 0, 0, 0,
    0, 0, 0,   0, 210,   0, 0, 0, 0,
    0, 0, 0, 200,   0, 200, 0, 0, 0};
inline constexpr Table kElephant = {
      0, 0,   0, 0,   0, 0,   0, 0,   0,
      0, 0,   0, 0,   0, 0,   0, 0,   0,
      0, 0,   0, 0,   0, 0,   0, 0,   0,
      0, 0,   0, 0,   0, 0,   0, 0,   0,
      0, 0,   0, 0,   0, 0,   0, 0,   0,
      0, 0, 195, 0,   0, 0, 195, 0,   0,
      0, 0,   0, 0,   0, 0,   0, 0,   0,
    190, 0,   0, 0, 210, 0,   0, 0, 190,
      0, 0,   0, 0,   0, 0,   0, 0,   0,
      0, 0, 200, 0,   0, 0, 200, 0,   0};
inline constexpr Table kKing = {
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0,   0,   0,   0, 0, 0, 0,
    0, 0, 0, -25, -25, -25, 0, 0, 0,
    0, 0, 0, -15, -10, -15, 0, 0, 0,
    0, 0, 0,  -5,   0,  -5, 0, 0, 0};

// [piece code][square]: red's values positive, black's (mirrored top to bottom) negative.
inline constexpr std::array<Table, 16> MakePieceSquare() {
  std::array<Table, 16> out{};
  const Table* kinds[8] = {nullptr, &kKing, &kAdvisor, &kElephant, &kKnight, &kRook, &kCannon, &kPawn};
  for (int k = 1; k <= 7; ++k)
    for (int s = 0; s < 90; ++s) {
      int rank = s / 9, file = s % 9;
      out[k][s] = (*kinds[k])[(9 - rank) * 9 + file];
      out[k | 8][s] = int16_t(-(*kinds[k])[rank * 9 + file]);
    }
  return out;
}

}  // namespace tables

inline constexpr std::array<tables::Table, 16> kPieceSquare = tables::MakePieceSquare();

// The value of the position in centipawns for the side to move.
int Evaluate(const Position& pos);

}  // namespace engine
