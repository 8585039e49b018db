// A connection's error queue (SCPI-1999, 21.8): first in, first out; when it
// is full the newest error is replaced by -350 "Queue overflow", so the
// oldest errors, the ones that tell what went wrong first, are kept.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "scpi/errors.h"

namespace ql::scpi {

class ErrorQueue {
 public:
  static constexpr std::size_t kCapacity = 32;

  void Push(const Error& error, std::string_view info = {});
  // The oldest error as SYSTem:ERRor? answers it, `0,"No error"` when none.
  std::string Pop();
  // The newest error, for a log line; "" when none.
  std::string Newest() const { return entries_.empty() ? std::string() : entries_.back(); }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }

 private:
  std::deque<std::string> entries_;
  bool overflowed_ = false;
};

}  // namespace ql::scpi
