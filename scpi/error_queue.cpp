#include "scpi/error_queue.h"

namespace ql::scpi {

void ErrorQueue::Push(const Error& error, std::string_view info) {
  if (entries_.size() < kCapacity) {
    entries_.push_back(ErrorResponse(error.code, error.text, info));
    overflowed_ = false;
    return;
  }
  if (!overflowed_) {
    entries_.back() = ErrorResponse(kQueueOverflow.code, kQueueOverflow.text);
    overflowed_ = true;
  }
}

std::string ErrorQueue::Pop() {
  if (entries_.empty()) return ErrorResponse(kNoError.code, kNoError.text);
  std::string oldest = std::move(entries_.front());
  entries_.pop_front();
  overflowed_ = false;
  return oldest;
}

}  // namespace ql::scpi
