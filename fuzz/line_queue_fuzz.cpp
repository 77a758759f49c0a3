// A child's output as its pipe may give it: the input's bytes cut into pieces the input chooses,
// fed to two line queues: one without limits, whose lines must be exactly the input split at
// "\n" (one "\r" dropped before it and before the end), however it was cut; and one
// with small limits the input chooses, whose lines must be those same lines in order, none too
// long, each either handed over or counted as dropped (or, with a key, replaced by a newer one),
// the waiting lines and the replaceable ones within their bounds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/system/line_queue.h"

namespace {

std::vector<std::string> Split(std::string_view bytes) {
  std::vector<std::string> lines;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string line(bytes.substr(0, end));
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.pop_back();
    if (end == std::string_view::npos) {  // the last piece, after the end of the output
      if (line.back() == '\r') line.pop_back();
      lines.push_back(line);
      break;
    }
    lines.push_back(line);
    bytes.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  runtime::LineLimits small;
  small.max_line_bytes = data[0] % 40;
  small.max_queued_lines = data[1] % 9;  // 0 is taken as 1
  const bool keyed = data[2] & 1, kept = data[2] & 2;
  if (keyed)
    small.coalesce_key = [](std::string_view line) {
      return line.substr(0, 1) == "i" ? std::string(line.substr(0, 2)) : std::string();
    };
  if (kept) small.keep = [](std::string_view line) { return line.substr(0, 1) == "b"; };
  const size_t room = std::max<size_t>(small.max_queued_lines, 1) * (kept ? 2 : 1);
  runtime::LineLimits unlimited;
  unlimited.max_line_bytes = unlimited.max_queued_lines = size_t(-1);
  runtime::LineQueue plain(unlimited);
  runtime::LineQueue limited(small);

  std::vector<std::string> from_plain, from_limited;
  auto take = [](runtime::LineQueue& queue, std::vector<std::string>& into) {
    for (std::string& line : queue.Take()) into.push_back(std::move(line));
  };
  // The rest is pieces: a byte giving the piece's length (its top bit: take the lines after it).
  std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
  std::string whole;
  while (!rest.empty()) {
    const uint8_t control = static_cast<uint8_t>(rest[0]);
    rest.remove_prefix(1);
    const std::string_view piece = rest.substr(0, control & 0x3f);
    rest.remove_prefix(piece.size());
    whole += piece;
    plain.Feed(piece);
    limited.Feed(piece);
    if (limited.Waiting() > room || limited.Replaceable() > limited.Waiting()) __builtin_trap();
    if (control & 0x80) take(limited, from_limited);
    if (control & 0x40) take(plain, from_plain);
  }
  plain.Finish();
  limited.Finish();
  take(plain, from_plain);
  take(limited, from_limited);

  const std::vector<std::string> lines = Split(whole);
  if (from_plain != lines || plain.Dropped() != 0) __builtin_trap();
  // The taken lines are the input's, in order (a replaced line gives its place to a newer one).
  size_t next = 0;
  for (const std::string& line : from_limited) {
    if (line.size() > small.max_line_bytes) __builtin_trap();
    if (keyed) {
      if (std::find(lines.begin(), lines.end(), line) == lines.end()) __builtin_trap();
      continue;
    }
    while (next < lines.size() && lines[next] != line) ++next;
    if (next == lines.size()) __builtin_trap();
    ++next;
  }
  if (!keyed && from_limited.size() + limited.Dropped() != lines.size()) __builtin_trap();
  if (keyed && from_limited.size() + limited.Dropped() > lines.size()) __builtin_trap();
  return 0;
}
