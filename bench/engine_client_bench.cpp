// The engine client's share of the window's thread while an outside engine floods it with info
// lines: every Poll() of a search during which the fake engine prints 100000 lines of 13 moves,
// polled every 5 ms as a timer would. The counters are the longest Poll() (in time and in this
// thread's processor time), the mean one and the events one hands over; the window must never be
// busy 16 ms at a time.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "game/outside/engine_client.h"

namespace {

// This thread's processor time: what a Poll() costs, without the time the (busy) machine gave to
// other programs meanwhile.
double ThreadMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void PollDuringFlood(benchmark::State& state) {
  double longest_ms = 0, longest_cpu_ms = 0, total_ms = 0, events = 0, polls = 0;
  for (auto _ : state) {
    outside::EngineConfig config;
    config.command = "sh '" XQ_SOURCE_DIR "/tests/support/fake_engine.sh' flood-long";
    outside::EngineClient client(config);
    client.Start();
    outside::GoLimits limits;
    limits.movetime_ms = 60000;
    client.Go(engine::Position(), {}, limits);
    bool done = false;
    while (!done && client.Busy()) {
      auto start = std::chrono::steady_clock::now();
      double cpu_start = ThreadMilliseconds();
      auto batch = client.Poll();
      longest_cpu_ms = std::max(longest_cpu_ms, ThreadMilliseconds() - cpu_start);
      std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
      longest_ms = std::max(longest_ms, took.count());
      total_ms += took.count();
      events += static_cast<double>(batch.size());
      ++polls;
      for (const auto& event : batch)
        done |= event.kind != outside::EngineEvent::Kind::kInfo &&
                event.kind != outside::EngineEvent::Kind::kReady;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    client.Quit();
    client.WaitUntilEnded(5000);
  }
  state.counters["longest_poll_ms"] = longest_ms;
  state.counters["longest_poll_cpu_ms"] = longest_cpu_ms;
  state.counters["mean_poll_ms"] = polls > 0 ? total_ms / polls : 0;
  state.counters["events_per_poll"] = polls > 0 ? events / polls : 0;
}
BENCHMARK(PollDuringFlood)->Unit(benchmark::kMillisecond)->Iterations(3);

// How long our own UCCI engine (xiangqi-cli ucci) takes from Start() to kReady: with its
// protocol known (as the window keeps it once found), and unknown (it complains about "uci" in an
// "info string", and "ucci" follows at once). The engine's own start is in both; the client's
// share after "ucciok" is one "isready" away.
void UcciEngineReady(benchmark::State& state) {
  const bool known = state.range(0) != 0;
  double longest_ms = 0;
  for (auto _ : state) {
    outside::EngineConfig config;
    config.command = "'" XQ_BINARY_DIR "/cli/xiangqi-cli' ucci";
    if (known) config.protocol = outside::Protocol::kUcci;
    outside::EngineClient client(config);
    auto start = std::chrono::steady_clock::now();
    client.Start();
    bool ready = false;
    while (!ready && client.Busy()) {
      for (const auto& event : client.Poll()) ready |= event.kind == outside::EngineEvent::Kind::kReady;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (!ready) state.SkipWithError(client.FailureMessage().c_str());
    longest_ms = std::max(longest_ms, took.count());
    state.SetIterationTime(took.count() / 1000);
    client.Quit();
    client.WaitUntilEnded(5000);
  }
  state.counters["longest_ms"] = longest_ms;
}
BENCHMARK(UcciEngineReady)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

}  // namespace
