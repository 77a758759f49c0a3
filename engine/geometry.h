// Where each piece can go from each square, worked out at compile time for the generator, the
// attack test and the evaluation.
#pragma once

#include <cstdint>

namespace engine::detail {


constexpr bool InPalace(int rank, int file) {
  return file >= 3 && file <= 5 && rank >= 0 && rank <= 9 && (rank <= 2 || rank >= 7);
}
constexpr bool SameHalf(int rank_a, int rank_b) { return (rank_a <= 4) == (rank_b <= 4); }

struct Geometry {
  // Rays north (+rank), south, east (+file), west: the squares in order, 0xFF after the last.
  uint8_t ray[90][4][10]{};
  uint8_t knight_to[90][8]{}, knight_leg[90][8]{}, knight_n[90]{};
  // Knights that would attack a square: their square and the leg that must be empty.
  uint8_t katt_from[90][8]{}, katt_leg[90][8]{}, katt_n[90]{};
  uint8_t eleph_to[90][4]{}, eleph_eye[90][4]{}, eleph_n[90]{};
  uint8_t adv_to[90][4]{}, adv_n[90]{};
  uint8_t king_to[90][4]{}, king_n[90]{};
  uint8_t pawn_to[2][90][3]{}, pawn_n[2][90]{};
  bool king_near_diag[90][90]{};  // [king][s]: s is diagonally next to the king (a knight's leg)
};

constexpr Geometry MakeGeometry() {
  Geometry g{};
  const int dr[4] = {1, -1, 0, 0}, df[4] = {0, 0, 1, -1};
  for (int s = 0; s < 90; ++s) {
    int r = s / 9, f = s % 9;
    for (int d = 0; d < 4; ++d) {
      int n = 0, rr = r + dr[d], ff = f + df[d];
      while (rr >= 0 && rr <= 9 && ff >= 0 && ff <= 8) {
        g.ray[s][d][n++] = uint8_t(rr * 9 + ff);
        rr += dr[d];
        ff += df[d];
      }
      for (; n < 10; ++n) g.ray[s][d][n] = 0xFF;
    }
    // Knight: two steps one way, one step aside; the leg is the first step's square.
    const int kr[8] = {2, 2, -2, -2, 1, -1, 1, -1}, kf[8] = {1, -1, 1, -1, 2, 2, -2, -2};
    for (int i = 0; i < 8; ++i) {
      int tr = r + kr[i], tf = f + kf[i];
      if (tr < 0 || tr > 9 || tf < 0 || tf > 8) continue;
      int lr = r + (kr[i] == 2 ? 1 : kr[i] == -2 ? -1 : 0);
      int lf = f + (kf[i] == 2 ? 1 : kf[i] == -2 ? -1 : 0);
      g.knight_to[s][g.knight_n[s]] = uint8_t(tr * 9 + tf);
      g.knight_leg[s][g.knight_n[s]++] = uint8_t(lr * 9 + lf);
    }
    const int er[4] = {2, 2, -2, -2}, ef[4] = {2, -2, 2, -2};
    for (int i = 0; i < 4; ++i) {
      int tr = r + er[i], tf = f + ef[i];
      if (tr < 0 || tr > 9 || tf < 0 || tf > 8 || !SameHalf(r, tr)) continue;
      g.eleph_to[s][g.eleph_n[s]] = uint8_t(tr * 9 + tf);
      g.eleph_eye[s][g.eleph_n[s]++] = uint8_t((r + er[i] / 2) * 9 + f + ef[i] / 2);
    }
    const int ar[4] = {1, 1, -1, -1}, af[4] = {1, -1, 1, -1};
    for (int i = 0; i < 4; ++i) {
      int tr = r + ar[i], tf = f + af[i];
      if (InPalace(r, f) && InPalace(tr, tf) && SameHalf(r, tr))
        g.adv_to[s][g.adv_n[s]++] = uint8_t(tr * 9 + tf);
    }
    for (int d = 0; d < 4; ++d) {
      int tr = r + dr[d], tf = f + df[d];
      if (InPalace(r, f) && tr >= 0 && tr <= 9 && InPalace(tr, tf) && SameHalf(r, tr))
        g.king_to[s][g.king_n[s]++] = uint8_t(tr * 9 + tf);
    }
    for (int c = 0; c < 2; ++c) {
      int fwd = c == 0 ? 1 : -1;
      bool crossed = c == 0 ? r >= 5 : r <= 4;
      if (r + fwd >= 0 && r + fwd <= 9) g.pawn_to[c][s][g.pawn_n[c][s]++] = uint8_t(s + 9 * fwd);
      if (crossed && f > 0) g.pawn_to[c][s][g.pawn_n[c][s]++] = uint8_t(s - 1);
      if (crossed && f < 8) g.pawn_to[c][s][g.pawn_n[c][s]++] = uint8_t(s + 1);
    }
    for (int i = 0; i < 4; ++i) {
      int tr = r + ar[i], tf = f + af[i];
      if (tr >= 0 && tr <= 9 && tf >= 0 && tf <= 8) g.king_near_diag[s][tr * 9 + tf] = true;
    }
  }
  for (int s = 0; s < 90; ++s)
    for (int i = 0; i < g.knight_n[s]; ++i) {
      int t = g.knight_to[s][i];
      g.katt_from[t][g.katt_n[t]] = uint8_t(s);
      g.katt_leg[t][g.katt_n[t]++] = g.knight_leg[s][i];
    }
  return g;
}

inline constexpr Geometry kGeo = MakeGeometry();

}  // namespace engine::detail
