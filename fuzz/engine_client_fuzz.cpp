// The engine client's state machine driven by a scripted engine: the input decides the client's
// configuration, then, step by step, what the engine prints (well-formed lines of either protocol,
// moves in either numbering, or any bytes), when it ends or closes its output, and what the
// caller does (Go, Stop, NewGame, SetOption, Quit, Poll). Whatever comes:
//   - the client sends nothing with a line break or another control character, and every
//     "position" it sends reads as a legal position;
//   - kReady comes at most once, kFailed at most once and nothing after it or after Quit;
//   - kInfo and kBestMove answer only the newest search, with moves legal in its position;
//   - Busy(), state() and MillisecondsToDeadline() agree.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/position.h"
#include "game/outside/engine_client.h"
#include "runtime/system/child_process.h"

namespace {

using outside::EngineClient;
using outside::EngineEvent;
using Kind = EngineEvent::Kind;

// The input, read a byte at a time; zeros once it runs out.
struct Input {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool Done() const { return at >= size; }
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  // Up to the next line break of the input, as an engine might print anything.
  std::string Text() {
    std::string text;
    while (at < size && data[at] != '\n' && text.size() < 300) text += char(data[at++]);
    if (at < size) ++at;
    return text;
  }
};

// What the scripted engine has printed and how it stands; shared by every process the client
// starts (it starts a second one for an engine that ends on "uci").
struct Script {
  std::deque<std::string> lines;
  bool running = false, output_closed = false, refuses_input = false, start_fails = false;
  int status = 0, signal = 0;
  std::vector<std::string> written;
};

class ScriptedChannel : public runtime::LineChannel {
 public:
  explicit ScriptedChannel(Script& script) : script_(script) {}
  bool Start(const std::vector<std::string>& argv, const runtime::ChildLimits&,
             std::string* error) override {
    if (argv.empty() || script_.start_fails) {
      if (error) *error = "scripted: cannot start";
      return false;
    }
    script_.running = true;
    script_.output_closed = false;
    return true;
  }
  bool WriteLine(std::string_view line) override {
    for (char c : line)
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) __builtin_trap();
    script_.written.emplace_back(line);
    return script_.running && !script_.refuses_input;
  }
  std::vector<std::string> TakeLines() override {
    std::vector<std::string> taken(script_.lines.begin(), script_.lines.end());
    script_.lines.clear();
    return taken;
  }
  void SetNotify(std::function<void()>) override {}
  void End(std::string_view, int) override { script_.running = false; }
  bool WaitForExit(int) override { return !script_.running; }
  bool Running() const override { return script_.running; }
  bool OutputClosed() const override { return script_.output_closed || !script_.running; }
  std::optional<int> ExitStatus() const override {
    if (script_.running) return std::nullopt;
    return script_.signal ? 128 + script_.signal : script_.status;
  }
  std::optional<int> EndingSignal() const override {
    if (script_.running || script_.signal == 0) return std::nullopt;
    return script_.signal;
  }
  uint64_t DroppedLines() const override { return 0; }

 private:
  Script& script_;
};

// A move as an engine would write it: often a legal one of `position` in either numbering,
// sometimes any squares.
std::string SomeMove(Input& in, const engine::Position& position) {
  const uint8_t pick = in.Byte();
  const auto numbering = pick & 1 ? outside::Numbering::kFromOne : outside::Numbering::kFromZero;
  std::vector<engine::Move> legal = position.LegalMoves();
  if ((pick & 6) != 0 && !legal.empty())
    return outside::FormatEngineMove(legal[in.Byte() % legal.size()], numbering);
  engine::Move any{uint8_t(in.Byte() % 90), uint8_t(in.Byte() % 90)};
  return outside::FormatEngineMove(any, numbering);
}

std::string SomeLine(Input& in, const engine::Position& position) {
  const std::string number = std::to_string(int(in.Byte()) * 97 - 9000);
  switch (in.Byte() % 14) {
    case 0: return "uciok";
    case 1: return "ucciok";
    case 2: return "readyok";
    case 3: return "id name Scripted " + number;
    case 4: return "option name Hash type spin default 16 min 1 max 1024";
    case 5: return "option name MultiPV type spin default 1 min 1 max 5";
    case 6: return "option name UCI_Variant type combo default xiangqi var xiangqi";
    case 7: return "option usemillisec type check default false";
    case 8: return "info depth 3 multipv " + std::to_string(in.Byte() % 4) + " score cp " + number +
                   " pv " + SomeMove(in, position) + " " + SomeMove(in, position);
    case 9: return "info depth 3 score " + number + " pv " + SomeMove(in, position);
    case 10: return "info score mate " + std::to_string(int(in.Byte() % 7) - 3);
    case 11: return "bestmove " + SomeMove(in, position) + " ponder " + SomeMove(in, position);
    case 12: return in.Byte() & 1 ? "nobestmove" : "bestmove (none)";
    default: return in.Text();
  }
}

struct Watch {
  uint64_t newest = 0;        // the newest search the client took
  engine::Position searched;  // its position
  bool ready = false, failed = false, quit = false;
};

void Check(const std::vector<EngineEvent>& events, Watch& watch, const EngineClient& client) {
  for (const EngineEvent& event : events) {
    if (watch.failed || (watch.quit && event.kind != Kind::kNotice)) __builtin_trap();
    switch (event.kind) {
      case Kind::kReady:
        if (watch.ready) __builtin_trap();
        watch.ready = true;
        break;
      case Kind::kFailed:
        if (event.message.empty()) __builtin_trap();
        watch.failed = true;
        break;
      case Kind::kInfo: {
        if (event.search != watch.newest) __builtin_trap();
        engine::Position walk = watch.searched;
        for (engine::Move move : event.line.pv) {
          if (!walk.IsLegal(move)) __builtin_trap();
          walk.MakeMove(move);
        }
        break;
      }
      case Kind::kBestMove:
        if (event.search != watch.newest) __builtin_trap();
        if (event.best ? !watch.searched.IsLegal(*event.best) : !watch.searched.NoLegalMoves())
          __builtin_trap();
        break;
      case Kind::kNotice:
        if (event.message.empty()) __builtin_trap();
        break;
    }
  }
  using State = EngineClient::State;
  const State state = client.state();
  if (watch.failed != (state == State::kFailed)) __builtin_trap();
  if (client.Busy() && (state == State::kIdle || state == State::kFailed || state == State::kEnded))
    __builtin_trap();
  if (client.MillisecondsToDeadline() < -1) __builtin_trap();
}

void CheckWritten(const Script& script) {
  for (const std::string& line : script.written) {
    if (line.rfind("position fen ", 0) != 0) continue;
    std::string_view fen = std::string_view(line).substr(13);
    fen = fen.substr(0, fen.find(" moves"));
    if (!engine::Position::FromFen(fen)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  Script script;
  outside::EngineConfig config;
  const uint8_t setup = in.Byte();
  config.command = setup & 1 ? "scripted engine" : "'unclosed";
  config.protocol = static_cast<outside::Protocol>((setup >> 1) % 3);
  if (setup & 8) config.numbering = setup & 16 ? outside::Numbering::kFromOne
                                               : outside::Numbering::kFromZero;
  config.handshake_ms = setup & 32 ? 0 : 100000;  // 0: every wait has run out at once
  config.answer_ms = setup & 64 ? 0 : 100000;
  script.start_fails = (setup & 128) != 0 && (in.Byte() & 1);
  config.options = {{"Hash", in.Text()}, {"UCI_Variant", "chess"}, {"MultiPV", "3"}};
  EngineClient client(config, [&] { return std::make_unique<ScriptedChannel>(script); });
  Watch watch;
  client.Start();
  Check(client.Poll(), watch, client);
  engine::Position next;  // where the caller's next search starts its moves from
  while (!in.Done()) {
    const uint8_t op = in.Byte();
    switch (op % 12) {
      case 0: case 1: case 2: case 3:
        for (int n = op / 12 % 4 + 1; n > 0; --n) script.lines.push_back(SomeLine(in, watch.searched));
        break;
      case 4: {
        std::vector<engine::Move> moves;
        engine::Position position;
        for (int n = in.Byte() % 6; n > 0; --n) {
          std::vector<engine::Move> legal = position.LegalMoves();
          if (legal.empty()) break;
          moves.push_back(legal[in.Byte() % legal.size()]);
          position.MakeMove(moves.back());
        }
        outside::GoLimits limits;
        const uint8_t kind = in.Byte();
        limits.infinite = kind % 5 == 0;
        if (kind % 5 == 1) limits.movetime_ms = kind * 40;
        if (kind % 5 == 2) limits.depth = kind % 30;
        if (kind % 5 == 3) limits.red_ms = limits.black_ms = kind * 700, limits.red_increment_ms = 900;
        limits.multipv = in.Byte() % 4;
        if (uint64_t id = client.Go(engine::Position(), moves, limits)) {
          watch.newest = id;
          watch.searched = position;
        }
        break;
      }
      case 5: client.Stop(); break;
      case 6: client.NewGame(); break;
      case 7: client.SetOption(in.Byte() & 1 ? "Hash" : "MultiPV", in.Text()); break;
      case 8:
        script.running = false;
        script.status = in.Byte();
        script.signal = script.status % 3 == 0 ? script.status % 32 : 0;
        break;
      case 9: script.output_closed = true; break;
      case 10:
        client.Quit();
        watch.quit = true;
        break;
      default: script.refuses_input = !script.refuses_input; break;
    }
    Check(client.Poll(), watch, client);
  }
  CheckWritten(script);
  return 0;
}
