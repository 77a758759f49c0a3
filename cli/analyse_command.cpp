// `xiangqi-cli analyse FEN [--engine COMMAND] [--time MS] [--multipv N] [--notation N]`: an
// engine's view of a position, one line per report, the moves in the record's notation as the
// window's analysis shows them (Chinese unless told otherwise). Without --engine the
// analyst is this program's own engine, run as `xiangqi-cli uci` in a process of its own, so the
// same client code as for any outside engine is used.
#include <unistd.h>

#include <climits>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "cli/cli.h"
#include "engine/position.h"
#include "game/analysis/analysis_text.h"
#include "game/outside/engine_client.h"

namespace cli {

namespace {

std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string OwnEngineCommand() {
  char path[PATH_MAX];
  ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string self = size > 0 ? std::string(path, static_cast<size_t>(size)) : "xiangqi-cli";
  return ShellQuoted(self) + " uci";
}

bool ParseCount(const std::string& text, int low, int high, int& value) {
  try {
    size_t used = 0;
    long parsed = std::stol(text, &used);
    if (used != text.size() || parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
  } catch (...) {
    return false;
  }
}

struct Request {
  std::string fen;
  std::string command;
  int time_ms = 2000;
  int multipv = 1;
  record::Notation notation = record::Notation::kChinese;
};

// Empty when the arguments are good, else the refusal.
std::string ParseArguments(const Arguments& args, Request& request) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool has_value = i + 1 < args.size();
    if (arg == "--engine" && has_value) {
      request.command = args[++i];
    } else if (arg == "--time" && has_value) {
      if (!ParseCount(args[++i], 1, 24 * 3600 * 1000, request.time_ms))
        return "--time takes milliseconds, 1 to 86400000: " + args[i];
    } else if (arg == "--multipv" && has_value) {
      if (!ParseCount(args[++i], 1, 10, request.multipv))
        return "--multipv takes a count of lines, 1 to 10: " + args[i];
    } else if (arg == "--notation" && has_value) {
      const std::optional<record::Notation> notation = NotationNamed(args[++i]);
      if (!notation || *notation == record::Notation::kXboard)
        return "--notation takes chinese, wxf or iccs: " + args[i];
      request.notation = *notation;
    } else if (arg.rfind("--", 0) == 0) {
      return "unknown or incomplete option: " + arg;
    } else if (request.fen.empty()) {
      request.fen = arg;
    } else {
      return "one position only (quote the FEN): " + arg;
    }
  }
  if (request.fen.empty()) return "analyse needs a position (FEN)";
  return {};
}

int AnalyseCommand(const Arguments& args) {
  Request request;
  std::string refusal = ParseArguments(args, request);
  if (!refusal.empty()) return Refuse(refusal);
  std::string error;
  auto position = engine::Position::FromFen(request.fen, &error);
  if (!position) return Refuse("not a position: " + error);

  outside::EngineConfig config;
  config.command = request.command.empty() ? OwnEngineCommand() : request.command;
  outside::EngineClient client(config);
  std::mutex mutex;
  std::condition_variable woken;
  bool pending = false;
  client.SetWakeup([&] {
    std::lock_guard<std::mutex> lock(mutex);
    pending = true;
    woken.notify_one();
  });
  client.Start();
  outside::GoLimits limits;
  limits.movetime_ms = request.time_ms;
  limits.multipv = request.multipv;
  client.Go(*position, {}, limits);
  while (true) {
    for (const outside::EngineEvent& event : client.Poll()) {
      switch (event.kind) {
        case outside::EngineEvent::Kind::kInfo:
          if (!event.line.pv.empty())
            std::printf(
                "%s\n",
                analysis::FormatAnalysisLine(*position, event.line, request.notation).c_str());
          break;
        case outside::EngineEvent::Kind::kBestMove:
          std::printf(
              "最佳着法 %s\n",
              event.best
                  ? analysis::FormatLineMoves(*position, {*event.best}, request.notation).c_str()
                  : "无（没有合规则的着法）");
          client.Quit();
          client.WaitUntilEnded(2000);
          return 0;
        case outside::EngineEvent::Kind::kFailed:
          std::fflush(stdout);
          std::fprintf(stderr, "xiangqi-cli: %s\n", event.message.c_str());
          client.WaitUntilEnded(2000);
          return 1;
        case outside::EngineEvent::Kind::kNotice:
          std::fprintf(stderr, "xiangqi-cli: %s\n", event.message.c_str());
          break;
        case outside::EngineEvent::Kind::kReady:
          break;
      }
    }
    std::fflush(stdout);
    std::unique_lock<std::mutex> lock(mutex);
    woken.wait_for(lock, std::chrono::milliseconds(50), [&] { return pending; });
    pending = false;
  }
}

const Registration kAnalyse(
    "analyse",
    "analyse FEN [--engine COMMAND] [--time MS] [--multipv N] [--notation chinese|wxf|iccs]",
    AnalyseCommand);

}  // namespace

}  // namespace cli
