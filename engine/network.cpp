#include "engine/network.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define XQ_NETWORK_X86 1
#endif

extern "C" const unsigned char DefaultNetwork[];
extern "C" const unsigned long DefaultNetwork_size;

namespace engine {

namespace {

constexpr char kMagic[4] = {'X', 'Q', 'N', 'N'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderBytes = 12;
// Output weights within this keep each side's weighted sum inside int32 (255 x 4096 x 1024).
constexpr int kMaxOutputWeight = 4096;

// The two things the evaluation does over a whole accumulator: bring it up to date from another
// with some rows added and some taken off, and weigh it clipped for the output. Wrapping int16
// sums, so both kernels give the same numbers for any weights.
struct Kernels {
  void (*update)(int16_t* out, const int16_t* in, const int16_t* const* add, int adds,
                 const int16_t* const* sub, int subs, int n);
  int32_t (*weigh)(const int16_t* values, const int16_t* weights, int n);
};

void UpdatePortable(int16_t* out, const int16_t* in, const int16_t* const* add, int adds,
                    const int16_t* const* sub, int subs, int n) {
  for (int i = 0; i < n; ++i) {
    int16_t v = in[i];
    for (int a = 0; a < adds; ++a) v = int16_t(v + add[a][i]);
    for (int s = 0; s < subs; ++s) v = int16_t(v - sub[s][i]);
    out[i] = v;
  }
}

int32_t WeighPortable(const int16_t* values, const int16_t* weights, int n) {
  int32_t sum = 0;
  for (int i = 0; i < n; ++i)
    sum += int32_t(std::clamp<int16_t>(values[i], 0, kNetQA)) * weights[i];
  return sum;
}

#ifdef XQ_NETWORK_X86
__attribute__((target("avx2"))) void UpdateAvx2(int16_t* out, const int16_t* in,
                                                const int16_t* const* add, int adds,
                                                const int16_t* const* sub, int subs, int n) {
  for (int i = 0; i < n; i += 16) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
    for (int a = 0; a < adds; ++a)
      v = _mm256_add_epi16(v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(add[a] + i)));
    for (int s = 0; s < subs; ++s)
      v = _mm256_sub_epi16(v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sub[s] + i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), v);
  }
}

__attribute__((target("avx2"))) int32_t WeighAvx2(const int16_t* values, const int16_t* weights,
                                                  int n) {
  const __m256i zero = _mm256_setzero_si256(), top = _mm256_set1_epi16(kNetQA);
  __m256i sum = zero;
  for (int i = 0; i < n; i += 16) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + i));
    v = _mm256_min_epi16(_mm256_max_epi16(v, zero), top);
    __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + i));
    sum = _mm256_add_epi32(sum, _mm256_madd_epi16(v, w));
  }
  __m128i s = _mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
  s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
  s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
  return _mm_cvtsi128_si32(s);
}

bool ProcessorHasAvx2() {
  return __builtin_cpu_supports("avx2");
}
#else
bool ProcessorHasAvx2() {
  return false;
}
#endif

constexpr Kernels kPortable{UpdatePortable, WeighPortable};
#ifdef XQ_NETWORK_X86
constexpr Kernels kAvx2{UpdateAvx2, WeighAvx2};
#else
constexpr Kernels kAvx2 = kPortable;
#endif

std::atomic<const Kernels*> g_kernels{ProcessorHasAvx2() ? &kAvx2 : &kPortable};

const Kernels& Active() {
  return *g_kernels.load(std::memory_order_relaxed);
}

void PutLe(std::vector<uint8_t>& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
uint64_t GetLe(const uint8_t* at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t(at[i]) << (8 * i);
  return v;
}

std::nullopt_t Refused(std::string* error, const std::string& why) {
  if (error) *error = why;
  return std::nullopt;
}

// Where the features of a position's pieces come from: every occupied square.
template <class Visit>
void ForEachPiece(const Position& pos, Visit visit) {
  for (Color c : {kRed, kBlack}) {
    const uint8_t* slots = pos.Slots(c);
    for (int i = 0; i < 16; ++i)
      if (slots[i] != 0xFF) visit(pos.PieceAt(slots[i]), Square(slots[i]));
  }
}

}  // namespace

namespace detail {
bool NetworkUsesAvx2() {
  return &Active() == &kAvx2 && ProcessorHasAvx2();
}
void SetNetworkAvx2(bool on) {
  g_kernels.store(on && ProcessorHasAvx2() ? &kAvx2 : &kPortable);
}
}  // namespace detail

std::optional<Network> Network::Make(int hidden, std::vector<int16_t> weights,
                                     std::vector<int16_t> biases,
                                     std::vector<int16_t> output_weights, int32_t output_bias) {
  if (hidden <= 0 || hidden > kMaxNetworkHidden || hidden % 16 != 0) return std::nullopt;
  const size_t h = size_t(hidden);
  if (weights.size() != kNetworkFeatures * h || biases.size() != h ||
      output_weights.size() != 2 * h)
    return std::nullopt;
  for (int16_t w : output_weights)
    if (w < -kMaxOutputWeight || w > kMaxOutputWeight) return std::nullopt;
  Network net;
  net.hidden_ = hidden;
  net.weights_ = std::move(weights);
  net.biases_ = std::move(biases);
  net.output_weights_ = std::move(output_weights);
  net.output_bias_ = output_bias;
  return net;
}

std::optional<Network> Network::FromBytes(std::span<const uint8_t> bytes, std::string* error) {
  if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), kMagic, 4) != 0)
    return Refused(error, "not a network file (no XQNN at its start)");
  if (GetLe(&bytes[4], 4) != kVersion) return Refused(error, "a network file of another version");
  const uint64_t hidden = GetLe(&bytes[8], 4);
  if (hidden == 0 || hidden > kMaxNetworkHidden || hidden % 16 != 0)
    return Refused(error, "a hidden size that is not a multiple of 16 up to " +
                              std::to_string(kMaxNetworkHidden));
  const size_t values = (kNetworkFeatures + 1 + 2) * hidden;
  if (bytes.size() != kHeaderBytes + 2 * values + 4)
    return Refused(error, "a network file of the wrong length for its hidden size");
  std::vector<int16_t> all(values);
  for (size_t i = 0; i < values; ++i) all[i] = int16_t(GetLe(&bytes[kHeaderBytes + 2 * i], 2));
  const auto first = all.begin(), biases = first + kNetworkFeatures * ptrdiff_t(hidden),
             outputs = biases + ptrdiff_t(hidden);
  if (std::any_of(outputs, all.end(), [](int16_t w) { return std::abs(w) > kMaxOutputWeight; }))
    return Refused(error, "an output weight beyond " + std::to_string(kMaxOutputWeight));
  return Make(int(hidden), std::vector<int16_t>(first, biases),
              std::vector<int16_t>(biases, outputs), std::vector<int16_t>(outputs, all.end()),
              int32_t(GetLe(&bytes[kHeaderBytes + 2 * values], 4)));
}

std::optional<Network> Network::FromFile(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Refused(error, "cannot read " + path);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return FromBytes(bytes, error);
}

const Network& Network::Embedded() {
  static const Network net = *FromBytes({DefaultNetwork, size_t(DefaultNetwork_size)});
  return net;
}

std::vector<uint8_t> Network::ToBytes() const {
  std::vector<uint8_t> out(kMagic, kMagic + 4);
  PutLe(out, kVersion, 4);
  PutLe(out, uint32_t(hidden_), 4);
  for (const auto* part : {&weights_, &biases_, &output_weights_})
    for (int16_t v : *part) PutLe(out, uint16_t(v), 2);
  PutLe(out, uint32_t(output_bias_), 4);
  return out;
}

int Network::Output(const int16_t* mover, const int16_t* other) const {
  const Kernels& k = Active();
  const int64_t sum = int64_t(k.weigh(mover, output_weights_.data(), hidden_)) +
                      k.weigh(other, output_weights_.data() + hidden_, hidden_) + output_bias_;
  return int(sum * kNetScale / (kNetQA * kNetQB));
}

namespace {

// One side's accumulator for the whole board: the biases and the row of every piece.
void Accumulate(const Network& net, const Position& pos, Color side, int16_t* out) {
  const int16_t* rows[32];
  int n = 0;
  ForEachPiece(pos,
               [&](int piece, Square s) { rows[n++] = net.Row(NetworkFeature(side, piece, s)); });
  Active().update(out, net.Biases(), rows, n, nullptr, 0, net.hidden());
}

}  // namespace

int Network::Evaluate(const Position& pos) const {
  std::vector<int16_t> values[2];
  for (Color side : {kRed, kBlack}) {
    values[side].resize(size_t(hidden_));
    Accumulate(*this, pos, side, values[side].data());
  }
  const Color mover = pos.SideToMove();
  return Output(values[mover].data(), values[Opponent(mover)].data());
}

void NetworkEvaluator::Refresh(const Position& pos, size_t index) {
  for (Color side : {kRed, kBlack}) Accumulate(*net_, pos, side, Values(index, side));
}

void NetworkEvaluator::Step(const Position::State& state, size_t from, size_t to) {
  const Kernels& k = Active();
  for (Color side : {kRed, kBlack}) {
    if (state.move == kNoMove) {  // a pass: the same pieces
      std::memcpy(Values(to, side), Values(from, side), sizeof(int16_t) * size_t(net_->hidden()));
      continue;
    }
    const int16_t* add[1] = {net_->Row(NetworkFeature(side, state.moved, state.move.to))};
    const int16_t* sub[2] = {
        net_->Row(NetworkFeature(side, state.moved, state.move.from)),
        state.captured ? net_->Row(NetworkFeature(side, state.captured, state.move.to)) : nullptr};
    k.update(Values(to, side), Values(from, side), add, 1, sub, state.captured ? 2 : 1,
             net_->hidden());
  }
}

int NetworkEvaluator::Evaluate(const Position& pos) {
  // A few moves brought up to date cost less than a whole board summed again.
  constexpr size_t kLongestWalk = 8;
  const auto& history = pos.History();
  const size_t top = history.size() - 1;
  if (entries_.size() < history.size()) {
    entries_.resize(history.size() + 64);
    values_.resize(entries_.size() * 2 * size_t(net_->hidden()));
  }
  size_t ready = top;
  while (!(entries_[ready].ready && entries_[ready].key == history[ready].key)) {
    if (ready == 0 || top - ready >= kLongestWalk) break;
    --ready;
  }
  if (entries_[ready].ready && entries_[ready].key == history[ready].key) {
    for (size_t i = ready + 1; i <= top; ++i) {
      Step(history[i], i - 1, i);
      entries_[i] = {history[i].key, true};
    }
  } else {
    Refresh(pos, top);
    entries_[top] = {history[top].key, true};
  }
  const Color mover = pos.SideToMove();
  return net_->Output(Values(top, mover), Values(top, Opponent(mover)));
}

}  // namespace engine
