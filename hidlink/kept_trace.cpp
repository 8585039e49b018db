#include "hidlink/kept_trace.h"

#include <algorithm>
#include <cstring>

namespace ql::hidlink {

void KeptTrace::Append(std::string_view line) {
  ++made_;
  if (limit_ > 0) {
    if (size_ == limit_) DropOldest();
    const std::size_t at = Room(line.size());
    std::copy(line.begin(), line.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
    next_ = at + line.size();
    // Below the limit the ring is a plain vector (first_ is 0); at it, the
    // new line takes the place the oldest left.
    const Span span{at, line.size()};
    if (spans_.size() < limit_ && size_ == spans_.size()) {
      spans_.push_back(span);
    } else {
      spans_[(first_ + size_) % spans_.size()] = span;
    }
    ++size_;
  }
  if (onLine_) {
    // A copy runs: the callback may replace itself, or change the limit.
    const std::function<void(std::string_view)> onLine = onLine_;
    onLine(line);
  }
}

void KeptTrace::DropOldest() {
  first_ = (first_ + 1) % spans_.size();
  --size_;
}

std::size_t KeptTrace::Room(std::size_t length) {
  for (;;) {
    if (size_ == 0) {
      if (length <= bytes_.size()) return 0;
    } else {
      const Span& oldest = spans_[first_];
      const Span& newest = spans_[(first_ + size_ - 1) % spans_.size()];
      if (newest.offset >= oldest.offset) {
        // The kept bytes run from the oldest line to the newest's end: the
        // room is after them, else before the oldest.
        if (next_ + length <= bytes_.size()) return next_;
        if (length <= oldest.offset) return 0;
      } else if (next_ + length <= oldest.offset) {
        // They wrapped round: the room is between the newest and the oldest.
        return next_;
      }
    }
    Regrow(std::max(2 * bytes_.size(), bytes_.size() + length + 64));
  }
}

void KeptTrace::Regrow(std::size_t atLeast) {
  // The kept lines, oldest first, at the start of a larger store.
  std::vector<char> grown(atLeast);
  std::size_t at = 0;
  for (std::size_t i = 0; i < size_; ++i) {
    Span& span = spans_[(first_ + i) % spans_.size()];
    if (span.length > 0) std::memcpy(grown.data() + at, bytes_.data() + span.offset, span.length);
    span.offset = at;
    at += span.length;
  }
  bytes_ = std::move(grown);
  next_ = at;
}

void KeptTrace::SetLimit(std::size_t limit) {
  while (size_ > limit) DropOldest();
  // The spans kept, oldest first, in a ring of their own size.
  std::vector<Span> kept;
  kept.reserve(size_);
  for (std::size_t i = 0; i < size_; ++i) kept.push_back(spans_[(first_ + i) % spans_.size()]);
  spans_ = std::move(kept);
  first_ = 0;
  limit_ = limit;
  if (size_ == 0) {
    // Nothing kept: nothing held.
    bytes_ = {};
    spans_ = {};
    next_ = 0;
  }
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
