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
#include "engine/text_fields.h"
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

struct Request {
  std::string fen;
  std::string command;
  int time_ms = 2000;
  int multipv = 1;
  record::Notation notation = record::Notation::kChinese;
};

// Empty when the arguments are good, else the refusal.
std::string ParseArguments(const Arguments& args, Request& request) {
  std::string error;
  const std::optional<Options> options =
      SplitOptions(args, {"--engine", "--time", "--multipv", "--notation"}, error);
  if (!options) return error;
  if (auto command = options->Get("--engine")) request.command = *command;
  if (auto time = options->Get("--time")) {
    const std::optional<int64_t> ms = engine::ParseNumber(*time, 1, 24 * 3600 * 1000);
    if (!ms) return "--time takes milliseconds, 1 to 86400000: " + *time;
    request.time_ms = int(*ms);
  }
  if (auto lines = options->Get("--multipv")) {
    const std::optional<int64_t> count = engine::ParseNumber(*lines, 1, 10);
    if (!count) return "--multipv takes a count of lines, 1 to 10: " + *lines;
    request.multipv = int(*count);
  }
  if (auto name = options->Get("--notation")) {
    const std::optional<record::Notation> notation = NotationNamed(*name);
    if (!notation || *notation == record::Notation::kXboard)
      return "--notation takes chinese, wxf or iccs: " + *name;
    request.notation = *notation;
  }
  if (options->positional.size() > 1)
    return "one position only (quote the FEN): " + options->positional[1];
  if (options->positional.empty()) return "analyse needs a position (FEN)";
  request.fen = options->positional.front();
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
