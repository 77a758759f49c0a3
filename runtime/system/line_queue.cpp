#include "runtime/system/line_queue.h"

#include <algorithm>
#include <iterator>

namespace runtime {

LineQueue::LineQueue(LineLimits limits) : limits_(std::move(limits)) {
  limits_.max_queued_lines = std::max<size_t>(limits_.max_queued_lines, 1);
}

bool LineQueue::Queue(std::string line) {
  const std::string key = limits_.coalesce_key ? limits_.coalesce_key(line) : std::string();
  const bool was_empty = lines_.empty();
  if (!key.empty()) {
    auto found = replaceable_.find(key);
    if (found != replaceable_.end()) {
      lines_[found->second - first_index_] = std::move(line);
      return false;
    }
  } else {
    replaceable_.clear();  // nothing before this line may move past it any more
  }
  size_t room = limits_.max_queued_lines;
  if (key.empty() && limits_.keep && limits_.keep(line)) room *= 2;
  if (lines_.size() >= room) {
    ++dropped_;
    return false;
  }
  if (!key.empty()) replaceable_.emplace(key, first_index_ + lines_.size());
  lines_.push_back(std::move(line));
  return was_empty;
}

bool LineQueue::Feed(std::string_view bytes) {
  bool first = false;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    if (!skipping_) {
      partial_.append(bytes.substr(0, end));
      if (partial_.size() > limits_.max_line_bytes) {
        skipping_ = true;
        partial_.clear();
        ++dropped_;
      }
    }
    if (end == std::string_view::npos) break;
    if (!skipping_) first |= EndLine();
    partial_.clear();
    skipping_ = false;
    bytes.remove_prefix(end + 1);
  }
  return first;
}

bool LineQueue::EndLine() {
  if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
  return Queue(std::move(partial_));
}

bool LineQueue::Finish() {
  const bool first = !skipping_ && !partial_.empty() && EndLine();
  partial_.clear();
  skipping_ = false;
  return first;
}

std::vector<std::string> LineQueue::Take() {
  std::vector<std::string> taken(std::make_move_iterator(lines_.begin()),
                                 std::make_move_iterator(lines_.end()));
  first_index_ += lines_.size();
  lines_.clear();
  replaceable_.clear();  // every line they could replace is gone
  return taken;
}

}  // namespace runtime
