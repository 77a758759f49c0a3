// Trains the engine's evaluation network on self-play data (`xiangqi-cli selfplay --binary yes`).
//
//   net_train --data FILE [--data FILE ...] --out NET [--hidden 128] [--epochs 30]
//             [--batch 16384] [--lr 0.001] [--lambda 0.75] [--k 0.4405] [--holdout 20]
//             [--threads 1] [--seed 1]
//
// Each position's target is lambda * sigmoid(search score) + (1 - lambda) * the game's result for
// the side to move, with the tuner's sigmoid 1 / (1 + 10^(-K e / 400)); the loss is the squared
// difference of the network's sigmoid from it. Every position also trains as its mirror image
// (files a..i turned round), chosen at random each epoch. Every holdout-th game (by its number) is
// held out; its loss is reported each epoch, and at the end for the network as the engine reads it
// (in integers) and for the classical evaluation, on the same positions and targets. Adam, a
// cosine fall of the rate to a twentieth, weights kept where int16 cannot overflow. The same
// data, options and thread count give the same network.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/evaluation.h"
#include "engine/network.h"
#include "engine/training_data.h"

namespace {

using engine::kNetworkFeatures;

struct Options {
  std::vector<std::string> data;
  std::string out;
  int hidden = 128, epochs = 30, batch = 16384, holdout = 20, threads = 1;
  double lr = 0.001, lambda = 0.75, k = 0.4405;
  uint64_t seed = 1;
};

struct Sample {
  uint16_t features[2][32];  // the side to move's, then the other's
  uint8_t count = 0;
  float target = 0;
};

constexpr int kKinds = 14;  // own and other's, 7 kinds each
int KindRow(int feature) {
  return kNetworkFeatures + feature / 90;
}

int Mirror(int feature) {
  const int square = feature % 90;
  return feature - square + square / 9 * 9 + 8 - square % 9;
}

double Sigmoid(double cp, double k) {
  return 1 / (1 + std::pow(10.0, -k * cp / 400));
}

// The held-out positions themselves, for the comparisons at the end.
struct Held {
  std::vector<Sample> samples;
  std::vector<engine::Position> positions;
};

bool Load(const Options& o, std::vector<Sample>& train, Held& held) {
  for (const std::string& path : o.data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::fprintf(stderr, "cannot read %s\n", path.c_str()), false;
    engine::Record record;
    uint64_t game = 0;
    while (in.read(reinterpret_cast<char*>(record.data()), std::streamsize(record.size()))) {
      if (auto header = engine::DecodeGameHeader(record)) {
        game = header->number;
        continue;
      }
      auto p = engine::DecodePosition(record);
      if (!p) continue;
      Sample s;
      const engine::Color mover = p->pos.SideToMove();
      for (int side = 0; side < 2; ++side) {
        const engine::Color seen = side == 0 ? mover : engine::Opponent(mover);
        int n = 0;
        for (engine::Square q = 0; q < 90; ++q)
          if (int piece = p->pos.PieceAt(q))
            s.features[side][n++] = uint16_t(engine::NetworkFeature(seen, piece, q));
        s.count = uint8_t(n);
      }
      const double result = mover == engine::kRed ? p->result / 2.0 : 1 - p->result / 2.0;
      s.target = float(o.lambda * Sigmoid(p->score, o.k) + (1 - o.lambda) * result);
      if (o.holdout > 0 && game % uint64_t(o.holdout) == 0) {
        held.samples.push_back(s);
        held.positions.push_back(p->pos);
      } else {
        train.push_back(s);
      }
    }
  }
  return true;
}

struct Net {
  int h;
  // w1: a row per feature, then one per kind of piece (own and other's) that every square of
  // that kind adds too, so that what holds on every square is learnt from all of them; the two
  // are summed when the network is written. w2: 2h.
  std::vector<float> w1, b1, w2;
  float b2 = 0;
  explicit Net(int hidden)
      : h(hidden), w1(size_t(kNetworkFeatures + kKinds) * hidden), b1(hidden), w2(2 * hidden) {}
  size_t Size() const { return w1.size() + b1.size() + w2.size() + 1; }
  // All parameters in one order, for the optimiser.
  template <class F>
  void Each(F f) {
    for (auto* v : {&w1, &b1, &w2})
      for (float& x : *v) f(x);
    f(b2);
  }
};

// One sample forward (the output in network units) and, with `grad`, backward.
float Forward(const Net& net, const Sample& s, bool mirrored, float* acc) {
  const int h = net.h;
  float out = net.b2;
  for (int side = 0; side < 2; ++side) {
    float* a = acc + side * h;
    std::copy(net.b1.begin(), net.b1.end(), a);
    for (int i = 0; i < s.count; ++i) {
      int f = s.features[side][i];
      const float* row = &net.w1[size_t(mirrored ? Mirror(f) : f) * h];
      const float* kind = &net.w1[size_t(KindRow(f)) * h];
      for (int j = 0; j < h; ++j) a[j] += row[j] + kind[j];
    }
    const float* w = &net.w2[size_t(side * h)];
    for (int j = 0; j < h; ++j) out += w[j] * std::clamp(a[j], 0.0f, 1.0f);
  }
  return out;
}

struct Gradient {
  std::vector<float> g;  // in Net::Each order
  double loss = 0;
};

void Backward(const Net& net, const Sample& s, bool mirrored, const float* acc, float d_out,
              Gradient& grad) {
  const int h = net.h;
  float* g = grad.g.data();
  float* g_w1 = g;
  float* g_b1 = g + net.w1.size();
  float* g_w2 = g_b1 + h;
  g_w2[2 * h] += d_out;  // b2 follows w2
  for (int side = 0; side < 2; ++side) {
    const float* a = acc + side * h;
    const float* w = &net.w2[size_t(side * h)];
    float d_acc[1024];
    for (int j = 0; j < h; ++j) {
      const bool open = a[j] > 0 && a[j] < 1;
      g_w2[side * h + j] += d_out * std::clamp(a[j], 0.0f, 1.0f);
      d_acc[j] = open ? d_out * w[j] : 0;
      g_b1[j] += d_acc[j];
    }
    for (int i = 0; i < s.count; ++i) {
      int f = s.features[side][i];
      float* row = g_w1 + size_t(mirrored ? Mirror(f) : f) * h;
      float* kind = g_w1 + size_t(KindRow(f)) * h;
      for (int j = 0; j < h; ++j) row[j] += d_acc[j], kind[j] += d_acc[j];
    }
  }
}

// d loss / d output for a sample, adding its loss.
float OutputGradient(float out, float target, double k, double& loss) {
  const double scale = k * std::log(10.0) / 400 * engine::kNetScale;
  const double p = 1 / (1 + std::exp(-scale * out));
  loss += (p - target) * (p - target);
  return float(2 * (p - target) * p * (1 - p) * scale);
}

double HeldLoss(const Net& net, const std::vector<Sample>& held, double k) {
  std::vector<float> acc(2 * size_t(net.h));
  double loss = 0;
  for (const Sample& s : held)
    OutputGradient(Forward(net, s, false, acc.data()), s.target, k, loss);
  return held.empty() ? 0 : loss / double(held.size());
}

// Where no sum of 32 rows and the bias can leave int16, and the output weights fit int8.
constexpr float kLimit = 1.98f;

engine::Network Quantise(const Net& net) {
  auto q = [](float v, int scale) { return int16_t(std::lround(v * scale)); };
  std::vector<int16_t> w1, b1, w2;
  const size_t h = size_t(net.h);
  for (size_t i = 0; i < size_t(kNetworkFeatures) * h; ++i)
    w1.push_back(
        q(std::clamp(net.w1[i] + net.w1[size_t(KindRow(int(i / h))) * h + i % h], -kLimit, kLimit),
          engine::kNetQA));
  for (float v : net.b1) b1.push_back(q(v, engine::kNetQA));
  for (float v : net.w2) w2.push_back(q(v, engine::kNetQB));
  return *engine::Network::Make(net.h, w1, b1, w2,
                                int32_t(std::lround(net.b2 * engine::kNetQA * engine::kNetQB)));
}

double EvalLoss(const Held& held, double k, auto evaluate) {
  double loss = 0;
  for (size_t i = 0; i < held.samples.size(); ++i) {
    double d = Sigmoid(evaluate(held.positions[i]), k) - held.samples[i].target;
    loss += d * d;
  }
  return held.samples.empty() ? 0 : loss / double(held.samples.size());
}

int Train(const Options& o) {
  std::vector<Sample> train;
  Held held;
  if (!Load(o, train, held)) return 1;
  std::printf("positions: %zu to train on, %zu held out\n", train.size(), held.samples.size());
  if (train.empty()) return std::fprintf(stderr, "no positions\n"), 1;

  std::mt19937_64 rng(o.seed);
  Net net(o.hidden);
  std::uniform_real_distribution<float> first(-0.1f, 0.1f), second(-0.05f, 0.05f);
  for (size_t i = 0; i < size_t(kNetworkFeatures) * size_t(net.h); ++i) net.w1[i] = first(rng);
  for (float& v : net.b1) v = 0.25f;
  for (float& v : net.w2) v = second(rng);

  const size_t n = net.Size();
  std::vector<float> m(n), v(n);
  std::vector<Gradient> grads(size_t(o.threads));
  std::vector<uint32_t> order(train.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<uint8_t> mirrored(train.size());
  const size_t batches = (train.size() + size_t(o.batch) - 1) / size_t(o.batch);
  const double beta1 = 0.9, beta2 = 0.999;
  uint64_t step = 0;
  for (int epoch = 0; epoch < o.epochs; ++epoch) {
    std::shuffle(order.begin(), order.end(), rng);
    for (auto& f : mirrored) f = uint8_t(rng() & 1);
    const double progress = double(epoch) / std::max(1, o.epochs - 1);
    const double lr = o.lr * (0.05 + 0.95 * 0.5 * (1 + std::cos(M_PI * progress)));
    double train_loss = 0;
    for (size_t b = 0; b < batches; ++b) {
      const size_t begin = b * size_t(o.batch),
                   end = std::min(train.size(), begin + size_t(o.batch));
      std::vector<std::thread> workers;
      for (int t = 0; t < o.threads; ++t) {
        workers.emplace_back([&, t] {
          Gradient& g = grads[size_t(t)];
          g.g.assign(n, 0);
          g.loss = 0;
          std::vector<float> acc(2 * size_t(net.h));
          for (size_t i = begin + size_t(t); i < end; i += size_t(o.threads)) {
            const Sample& s = train[order[i]];
            const bool mirror = mirrored[order[i]];
            float out = Forward(net, s, mirror, acc.data());
            float d = OutputGradient(out, s.target, o.k, g.loss);
            Backward(net, s, mirror, acc.data(), d / float(end - begin), g);
          }
        });
      }
      for (auto& w : workers) w.join();
      ++step;
      const double c1 = 1 - std::pow(beta1, double(step)), c2 = 1 - std::pow(beta2, double(step));
      size_t i = 0;
      net.Each([&](float& p) {
        float g = 0;
        for (const Gradient& gr : grads) g += gr.g[i];
        m[i] = float(beta1 * m[i] + (1 - beta1) * g);
        v[i] = float(beta2 * v[i] + (1 - beta2) * g * g);
        p -= float(lr * (m[i] / c1) / (std::sqrt(v[i] / c2) + 1e-8));
        p = std::clamp(p, -kLimit, kLimit);
        ++i;
      });
      for (const Gradient& gr : grads) train_loss += gr.loss;
    }
    std::printf("epoch %d  rate %.6f  train %.6f  held-out %.6f\n", epoch + 1, lr,
                train_loss / double(train.size()), HeldLoss(net, held.samples, o.k));
    std::fflush(stdout);
  }
  engine::Network quantised = Quantise(net);
  std::printf("held-out: network in integers %.6f, classical evaluation %.6f\n",
              EvalLoss(held, o.k, [&](const engine::Position& p) { return quantised.Evaluate(p); }),
              EvalLoss(held, o.k, [](const engine::Position& p) { return engine::Evaluate(p); }));
  std::vector<uint8_t> bytes = quantised.ToBytes();
  std::ofstream out(o.out, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) return std::fprintf(stderr, "cannot write %s\n", o.out.c_str()), 1;
  std::printf("wrote %s (%zu bytes)\n", o.out.c_str(), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) return std::fprintf(stderr, "%s needs a value\n", a.c_str()), 2;
    std::string v = argv[++i];
    if (a == "--data")
      o.data.push_back(v);
    else if (a == "--out")
      o.out = v;
    else if (a == "--hidden")
      o.hidden = std::stoi(v);
    else if (a == "--epochs")
      o.epochs = std::stoi(v);
    else if (a == "--batch")
      o.batch = std::stoi(v);
    else if (a == "--holdout")
      o.holdout = std::stoi(v);
    else if (a == "--threads")
      o.threads = std::max(1, std::stoi(v));
    else if (a == "--lr")
      o.lr = std::stod(v);
    else if (a == "--lambda")
      o.lambda = std::stod(v);
    else if (a == "--k")
      o.k = std::stod(v);
    else if (a == "--seed")
      o.seed = std::stoull(v);
    else
      return std::fprintf(stderr, "unknown option %s\n", a.c_str()), 2;
  }
  if (o.data.empty() || o.out.empty() || o.hidden % 16 || o.hidden <= 0 ||
      o.hidden > engine::kMaxNetworkHidden || o.batch <= 0)
    return std::fprintf(stderr, "usage: net_train --data FILE --out NET [options]\n"), 2;
  return Train(o);
}
