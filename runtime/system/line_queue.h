// The lines a child prints, from the bytes its pipe gives in whatever pieces, kept in a queue of
// bounded size for the caller to take. No I/O and no locking: ChildProcess feeds it on its reader
// thread under its own lock; tests and the fuzzer feed it directly.
//
// A line ends at "\n" (a "\r" before it is dropped). A line longer than `max_line_bytes` is thrown
// away whole. A line that `coalesce_key` gives a key replaces the waiting line with the same key
// as long as no line without a key came after it, so a stream of progress lines shrinks to the
// newest of each kind while its order with other lines is kept. When `max_queued_lines` lines wait,
// new lines are thrown away until the caller takes some, except those `keep` names (an engine's
// move): those are still queued, up to as many again. Thrown-away lines are counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace runtime {

struct LineLimits {
  size_t max_line_bytes = 64 * 1024;
  size_t max_queued_lines = 1024;
  // Optional: a key for lines that may be replaced by a newer line with the same key.
  std::function<std::string(std::string_view line)> coalesce_key;
  // Optional: lines that must not be lost to a full queue (they come seldom).
  std::function<bool(std::string_view line)> keep;
};

class LineQueue {
 public:
  explicit LineQueue(LineLimits limits = {});

  // Adds the bytes that came; true when a line arrived while none were waiting (the moment to
  // tell the caller).
  bool Feed(std::string_view bytes);
  // The output has ended: a last line without "\n" is a line too. Same answer as Feed.
  bool Finish();
  // The lines waiting, oldest first.
  std::vector<std::string> Take();

  size_t Waiting() const { return lines_.size(); }
  // How many waiting lines may still be replaced (never more than Waiting()).
  size_t Replaceable() const { return replaceable_.size(); }
  uint64_t Dropped() const { return dropped_; }

 private:
  bool EndLine();
  bool Queue(std::string line);

  LineLimits limits_;
  std::deque<std::string> lines_;
  uint64_t first_index_ = 0;  // the running number of lines_.front()
  // key -> running number of the waiting line it may replace
  std::unordered_map<std::string, uint64_t> replaceable_;
  std::string partial_;
  bool skipping_ = false;  // inside a line too long to keep
  uint64_t dropped_ = 0;
};

}  // namespace runtime
