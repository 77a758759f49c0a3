// The evaluation network from untrusted bytes, two ways. As a file: what the reader accepts
// writes back to the very same bytes, and what it refuses has a reason. As a line of play: each
// byte of the first 400 picks a move, a pass or a move taken back, and after each the search's
// incremental evaluation equals the board summed afresh.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <string>

#include "engine/network.h"

namespace {

const engine::Network& FuzzNetwork() {
  static const engine::Network net = [] {
    std::mt19937_64 rng(1);
    const size_t hidden = 16;
    std::vector<int16_t> weights(engine::kNetworkFeatures * hidden), biases(hidden),
        outputs(2 * hidden);
    for (auto* part : {&weights, &biases, &outputs})
      for (auto& w : *part) w = int16_t(rng() % 8193) - 4096;
    return *engine::Network::Make(int(hidden), weights, biases, outputs, 12345);
  }();
  return net;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  if (auto net = engine::Network::FromBytes(std::span<const uint8_t>(data, size), &error)) {
    auto bytes = net->ToBytes();
    if (bytes.size() != size || !std::equal(bytes.begin(), bytes.end(), data)) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }

  const engine::Network& net = FuzzNetwork();
  engine::NetworkEvaluator evaluator(net);
  engine::Position pos;
  for (size_t i = 0; i < std::min<size_t>(size, 400); ++i) {  // a line of a few hundred plies
    const auto moves = pos.LegalMoves();
    const uint8_t b = data[i];
    const auto& last = pos.History().back();
    if (b >= 250 && pos.Ply() > 0) {
      if (last.move == engine::kNoMove)
        pos.UnmakeNullMove();
      else
        pos.UnmakeMove();
    } else if (b == 249 && !pos.InCheck()) {
      pos.MakeNullMove();
    } else if (!moves.empty()) {
      pos.MakeMove(moves[b % moves.size()]);
    }
    if (evaluator.Evaluate(pos) != net.Evaluate(pos)) __builtin_trap();
  }
  return 0;
}
