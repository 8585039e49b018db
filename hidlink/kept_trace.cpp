#include "hidlink/kept_trace.h"

#include <algorithm>

namespace ql::hidlink {

void KeptTrace::Append(std::string_view line) {
  ++made_;
  // Below the limit the ring is a plain vector (first_ is 0); at it, the
  // oldest line makes room.
  if (size_ < limit_) {
    ring_.emplace_back(line);
    ++size_;
  } else if (limit_ > 0) {
    ring_[first_].assign(line);
    first_ = (first_ + 1) % ring_.size();
  }
  if (onLine_) {
    // A copy runs: the callback may replace itself, or change the limit.
    const std::function<void(std::string_view)> onLine = onLine_;
    onLine(line);
  }
}

void KeptTrace::SetLimit(std::size_t limit) {
  if (limit >= size_ && ring_.size() == size_ && first_ == 0) {
    limit_ = limit;
    return;
  }
  // The newest lines kept, oldest first, in a ring of their own size.
  const std::size_t keep = std::min(limit, size_);
  std::vector<std::string> kept;
  kept.reserve(keep);
  for (std::size_t i = size_ - keep; i < size_; ++i)
    kept.push_back(std::move(ring_[(first_ + i) % ring_.size()]));
  ring_ = std::move(kept);
  first_ = 0;
  size_ = keep;
  limit_ = limit;
}

std::string KeptTrace::Joined() const {
  std::string text;
  std::size_t bytes = size_;
  for (std::size_t i = 0; i < size_; ++i) bytes += (*this)[i].size();
  text.reserve(bytes);
  for (std::size_t i = 0; i < size_; ++i) {
    if (i) text += '\n';
    text += (*this)[i];
  }
  return text;
}

std::vector<std::string> KeptTrace::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(size_);
  for (std::size_t i = 0; i < size_; ++i) lines.emplace_back((*this)[i]);
  return lines;
}

}  // namespace ql::hidlink
