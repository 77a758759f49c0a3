// A program run beside ours and talked to in lines: an outside engine, for one. Its standard
// input and output are pipes; a thread of its own reads and writes them, so no call here ever
// waits for the child (ending it included) and a child that floods its output, stops reading or
// dies cannot hold up or kill the caller. POSIX only, no Qt.
//
// What the child prints is kept in a bounded queue. Lines longer than `max_line_bytes` are thrown
// away whole (counted). A line that `coalesce_key` gives a key replaces the queued line with the
// same key as long as nothing with no key came after it, so a stream of progress lines ("info" of
// an engine) shrinks to the newest of each kind while order with the other lines is kept. When
// `max_queued_lines` lines still wait, new lines are thrown away (counted) until the caller takes
// some.
//
// The child runs in a process group of its own, so ending it also ends whatever it started (a
// shell script's children). Every descriptor of ours is close-on-exec; SIGPIPE is blocked on the
// thread that writes, so a child that closed its input only makes WriteLine's later lines vanish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

// Splits a command line into words as a shell would for simple cases, without running a shell:
// blanks separate words, '...' keeps everything literally, "..." keeps everything but \" and \\,
// and a backslash outside quotes takes the next character literally. Nothing is expanded.
// Refuses (nullopt, reason in *error) an unclosed quote, a trailing backslash and an empty line.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view line,
                                                         std::string* error = nullptr);

struct ChildLimits {
  size_t max_line_bytes = 64 * 1024;
  size_t max_queued_lines = 1024;
  size_t max_pending_input = 1024 * 1024;  // bytes written but not yet taken by the child
  // Optional: a key for lines that may be replaced by a newer line with the same key.
  std::function<std::string(std::string_view line)> coalesce_key;
};

class ChildProcess {
 public:
  ChildProcess();
  // Ends the child if it still runs (see End) without waiting: the thread finishes the ending,
  // reaps the child and goes away on its own.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] (looked up in PATH when it has no slash) with the other words as arguments.
  // False, reason in *error, when it cannot be started (no such program, not executable, ...).
  // One child per object.
  bool Start(const std::vector<std::string>& argv, const ChildLimits& limits = {},
             std::string* error = nullptr);

  // Queues one line (a newline is added) for the child's input. False when the child has ended,
  // is being ended, or has left more than max_pending_input bytes unread.
  bool WriteLine(std::string_view line);

  // The lines read since the last call, oldest first (never waits).
  std::vector<std::string> TakeLines();

  // Called on the reader thread when a line arrives while none were waiting, and when the child
  // has ended; at most once per batch, so a flooding child does not flood the callback. It must
  // be quick and must not call back into this object (post a call to your own thread instead).
  void SetNotify(std::function<void()> notify);

  // Ends the child: writes `quit_line` (when not empty), gives it `grace_ms` to go, then sends
  // SIGTERM to its group, waits `grace_ms` again, then SIGKILL. Returns at once.
  void End(std::string_view quit_line = "quit", int grace_ms = 300);

  // Waits up to `timeout_ms` for the child to end (for programs without a window and tests).
  bool WaitForExit(int timeout_ms);

  bool Running() const;  // started and not yet reaped
  // Once reaped: the exit status, or 128 + the signal that ended it (-1 when another part of the
  // program reaped it first).
  std::optional<int> ExitStatus() const;
  // Lines thrown away because they were too long or the queue was full (not the coalesced ones).
  uint64_t DroppedLines() const;
  int Pid() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace runtime
