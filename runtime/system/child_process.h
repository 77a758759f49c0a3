// A program run beside ours and talked to in lines: an outside engine, for one. Its standard
// input and output are pipes; a thread of its own reads and writes them, so no call here ever
// waits for the child (ending it included) and a child that floods its output, stops reading or
// dies cannot hold up or kill the caller. POSIX only, no Qt.
//
// What the child prints is kept in a bounded queue (line_queue.h: long lines and a flood are
// thrown away and counted, progress lines coalesce, the lines the caller must not lose are kept).
//
// The child runs in a process group of its own, so ending it also ends whatever it started (a
// shell script's children). Every descriptor of ours is close-on-exec; SIGPIPE is blocked on the
// thread that writes, so a child that closed its input only makes WriteLine's later lines vanish.
//
// No child outlives the program: each one still running when the program ends (by returning from
// main, exit(), or the runtime's end after an error) is ended as End() does and reaped, within
// about a second whatever it ignores (EndChildren).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/system/line_queue.h"

namespace runtime {

// Splits a command line into words as a shell would for simple cases, without running a shell:
// blanks separate words, '...' keeps everything literally, "..." keeps everything but \" and \\,
// and a backslash outside quotes takes the next character literally. The only thing expanded is
// an unquoted "~" that begins a word and ends it or comes before a "/": the home folder ($HOME,
// else the user's entry in the password file). Refuses (nullopt, reason in *error) an unclosed
// quote, a trailing backslash and an empty line.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view line,
                                                         std::string* error = nullptr);

// The program `name` names as posix_spawnp would find it: a name with a "/" is taken from
// `relative_to` when it is relative (the current folder when that is empty), a name without one
// is looked up in PATH. Nothing when there is no such executable file.
std::optional<std::string> FindProgram(std::string_view name, const std::string& relative_to = {});

struct ChildLimits : LineLimits {
  size_t max_pending_input = 1024 * 1024;  // bytes written but not yet taken by the child
  std::string folder;                      // where the child starts; empty: our current folder
};

// What a caller needs of a program it talks to in lines. ChildProcess is the real one; tests and
// the fuzzer stand in a scripted one.
class LineChannel {
 public:
  virtual ~LineChannel() = default;
  virtual bool Start(const std::vector<std::string>& argv, const ChildLimits& limits,
                     std::string* error) = 0;
  virtual bool WriteLine(std::string_view line) = 0;
  virtual std::vector<std::string> TakeLines() = 0;
  virtual void SetNotify(std::function<void()> notify) = 0;
  virtual void End(std::string_view quit_line, int grace_ms) = 0;
  virtual bool WaitForExit(int timeout_ms) = 0;
  virtual bool Running() const = 0;
  virtual bool OutputClosed() const = 0;
  virtual std::optional<int> ExitStatus() const = 0;
  virtual std::optional<int> EndingSignal() const = 0;
  virtual uint64_t DroppedLines() const = 0;
};

// Ends every child still running (the quit line, then SIGTERM, then SIGKILL, each after
// `grace_ms`; one already being ended goes on as it was asked) and waits until all are reaped,
// at most `timeout_ms` (after which the rest are killed at once). Runs by itself when the program
// ends; a program may call it earlier.
void EndChildren(int grace_ms = 200, int timeout_ms = 1500);

class ChildProcess : public LineChannel {
 public:
  ChildProcess();
  // Ends the child if it still runs (see End) without waiting: the thread finishes the ending,
  // reaps the child and goes away on its own.
  ~ChildProcess() override;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] (looked up in PATH when it has no slash) with the other words as arguments.
  // False, reason in *error, when it cannot be started (no such program, not executable, ...).
  // One child per object.
  bool Start(const std::vector<std::string>& argv, const ChildLimits& limits = {},
             std::string* error = nullptr) override;

  // Queues one line (a newline is added) for the child's input. False when the child has ended,
  // is being ended, or has left more than max_pending_input bytes unread.
  bool WriteLine(std::string_view line) override;

  // The lines read since the last call, oldest first (never waits).
  std::vector<std::string> TakeLines() override;

  // Called on the reader thread when a line arrives while none were waiting, when the child has
  // closed its output (OutputClosed) and when it has ended; at most once per batch, so a flooding
  // child does not flood the callback. It must be quick and must not call back into this object
  // (post a call to your own thread instead).
  void SetNotify(std::function<void()> notify) override;

  // Ends the child: writes `quit_line` (when not empty), gives it `grace_ms` to go, then sends
  // SIGTERM to its group, waits `grace_ms` again, then SIGKILL. Returns at once.
  void End(std::string_view quit_line = "quit", int grace_ms = 300) override;

  // Waits up to `timeout_ms` for the child to end (for programs without a window and tests).
  bool WaitForExit(int timeout_ms) override;

  bool Running() const override;  // started and not yet reaped
  // The child closed its output and still ran a moment later (200 ms: long enough for one that
  // is exiting to be reaped first), or it has ended. Nothing more will come from it.
  bool OutputClosed() const override;
  // Once reaped: the exit status, or 128 + the signal that ended it (-1 when another part of the
  // program reaped it first). A status of 128 or more may be either: EndingSignal tells.
  std::optional<int> ExitStatus() const override;
  // Once reaped by a signal: that signal.
  std::optional<int> EndingSignal() const override;
  // Lines thrown away because they were too long or the queue was full (not the coalesced ones).
  uint64_t DroppedLines() const override;
  int Pid() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace runtime
