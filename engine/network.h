// An evaluation network of our own. Each side sees the board from its own end: every piece is a
// feature (whose it is, its kind, its square with the board turned round for black), and each
// side's accumulator sums the first layer's weights of its features. The output is a weighted sum
// of both accumulators clipped to [0, 1], the side to move's first. Integer throughout: weights
// and accumulators in int16 (the first layer's scaled by kNetQA), the output's weights by kNetQB.
//
// The file: "XQNN", version 1 and the hidden size (uint32 each, little-endian), then int16 first
// layer weights feature by feature, int16 first layer biases, int16 output weights (the side to
// move's accumulator, then the other's), an int32 output bias; nothing after.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/position.h"

namespace engine {

inline constexpr int kNetworkFeatures = 2 * 7 * 90;  // own / other's, kind, square
inline constexpr int kMaxNetworkHidden = 1024;
inline constexpr int kNetQA = 255;     // an accumulator of 1.0
inline constexpr int kNetQB = 64;      // an output weight of 1.0
inline constexpr int kNetScale = 400;  // centipawns of an output of 1.0
// What names the built-in network where a network file's name is asked for.
inline constexpr const char* kBuiltInNetwork = "<built-in>";

// The feature of `piece` on `s` as `perspective` sees it: 0..kNetworkFeatures-1.
inline int NetworkFeature(Color perspective, int piece, Square s) {
  const int seen = perspective == kRed ? s : (9 - RankOf(s)) * 9 + FileOf(s);
  const int own = ColorOf(piece) == perspective ? 0 : 7;
  return (own + KindOf(piece) - 1) * 90 + seen;
}

class Network {
 public:
  // Nothing, with the reason, for bytes that are not a network file.
  static std::optional<Network> FromBytes(std::span<const uint8_t> bytes,
                                          std::string* error = nullptr);
  static std::optional<Network> FromFile(const std::string& path, std::string* error = nullptr);
  // The network built into the program.
  static const Network& Embedded();
  std::vector<uint8_t> ToBytes() const;

  int hidden() const { return hidden_; }
  // The value for the side to move in centipawns, from the board alone.
  int Evaluate(const Position& pos) const;

  // ---- for the evaluator and the trainer ----
  const int16_t* Row(int feature) const { return &weights_[size_t(feature) * size_t(hidden_)]; }
  const int16_t* Biases() const { return biases_.data(); }
  // Both accumulators (the side to move's first) to centipawns.
  int Output(const int16_t* mover, const int16_t* other) const;
  // A network from its numbers (sizes as the file's); nothing if they do not fit or an output
  // weight is beyond +-4096.
  static std::optional<Network> Make(int hidden, std::vector<int16_t> weights,
                                     std::vector<int16_t> biases,
                                     std::vector<int16_t> output_weights, int32_t output_bias);

 private:
  int hidden_ = 0;
  std::vector<int16_t> weights_;         // kNetworkFeatures x hidden
  std::vector<int16_t> biases_;          // hidden
  std::vector<int16_t> output_weights_;  // 2 x hidden
  int32_t output_bias_ = 0;
};

// The search's evaluator: keeps an accumulator pair for each position of the line it is asked
// about, indexed by the position's place in its history, and brings the nearest one before it up
// to date with the moves since (a few weights added and taken off) rather than summing the whole
// board again. The same values as Network::Evaluate, always.
class NetworkEvaluator {
 public:
  explicit NetworkEvaluator(const Network& network) : net_(&network) {}
  int Evaluate(const Position& pos);

 private:
  struct Entry {
    uint64_t key = 0;
    bool ready = false;
  };
  int16_t* Values(size_t index, Color side) {
    return &values_[(index * 2 + side) * size_t(net_->hidden())];
  }
  void Refresh(const Position& pos, size_t index);
  void Step(const Position::State& state, size_t from, size_t to);

  const Network* net_;
  std::vector<Entry> entries_;
  std::vector<int16_t> values_;
};

namespace detail {
// Whether the AVX2 kernels run (the processor has them and they were not turned off); the
// portable ones give the same numbers.
bool NetworkUsesAvx2();
void SetNetworkAvx2(bool on);  // on only takes effect where the processor has AVX2
}  // namespace detail

}  // namespace engine
