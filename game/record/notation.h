// One move as text, the ways xiangqi players write it: Chinese (炮二平五　马８进７), WXF (C2.5,
// H8+7, R+.3), ICCS (h2e2, H2-E2 in PGN) and XBoard's algebraic moves (Cbe7, Hxc6, Rxd9#, ranks
// 0-9). Works over the engine's position; no Qt.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/position.h"

namespace record {

enum class Notation { kChinese, kWxf, kIccs, kXboard };

// The one written form of a legal move of `pos`, in UTF-8: Chinese with red's files 一…九 and
// black's full-width １…９ (each counted from its own right), WXF as the federation writes it
// (tandem pieces R+.3 / C--1, tandem soldiers ++.4, P+.4, P3.4, and 3+.4 on two files), ICCS in
// lower case (h2e2), XBoard algebraic with the piece letters K A E H R C and no letter for
// soldiers.
std::string WriteMove(const engine::Position& pos, engine::Move move, Notation notation);

// The written form of each move of a line played from `start` (each legal in its turn), as a
// record window lists them.
std::vector<std::string> WriteLine(const engine::Position& start,
                                   const std::vector<engine::Move>& moves, Notation notation);

// Why a text is not a move of the position.
enum class MoveError {
  kUnreadable,  // no notation reads it
  kIllegal,     // it names no legal move here
  kAmbiguous,   // it fits more than one legal move
};

struct MoveReading {
  std::optional<engine::Move> move;
  MoveError error = MoveError::kUnreadable;
  Notation notation = Notation::kIccs;  // the notation the text was read as
};

// Reads a move in any of the four notations, found from the text itself. Reading takes the
// common spellings: 马/馬/傌/㐷, 车/車/俥/伡, 帅/帥, 将/將, 仕/士, 相/象, 兵/卒, 炮/砲/包, 进/進, 后/後,
// full-width, ASCII and Chinese digits for either side, the piece named before or after 前/后
// (前炮 or 炮前), and in WXF the tandem sign before or after the letter (+R+1 or R++1), '=' for
// '.', lower case letters, B for the elephant and N for the horse; a check sign after any move.
MoveReading ReadMove(const engine::Position& pos, std::string_view text);

// How a file counts ranks in coordinate and XBoard moves: 0-9 as ICCS does, or 1-10 as XBoard's
// older files do (Rxd10, h3-e3 for h2-e2).
enum class RankBase { kFromZero, kFromOne };
MoveReading ReadMove(const engine::Position& pos, std::string_view text, RankBase base);

// The words of an error, in Chinese: "不合规则", "看不懂", "有歧义".
const char* MoveErrorText(MoveError error);

}  // namespace record
