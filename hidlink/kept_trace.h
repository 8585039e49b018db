// The newest lines of the link's trace, for programs that run for days (the
// library, a server): memory stays flat however long the run, and the count
// of lines made in all tells a reader how many were dropped.
//
// A hundred thousand lines held as a hundred thousand strings would each
// take a heap block of their own, and a string's block only ever grows: the
// store would creep up for as long as longer lines happened to land on
// shorter ones' places. The lines' bytes share one store instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/trace_sink.h"

namespace ql::hidlink {

class KeptTrace final : public TraceSink {
 public:
  // A hundred thousand lines: some nine thousand sends, a few megabytes, far
  // more than a reader looks back over.
  static constexpr std::size_t kDefaultLimit = 100'000;
  static constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();

  explicit KeptTrace(std::size_t limit = kDefaultLimit) : limit_(limit) {}

  void Append(std::string_view line) override;

  // Keeps the newest `limit` lines from now on; a lower limit drops the
  // oldest lines kept at once.
  void SetLimit(std::size_t limit);
  std::size_t Limit() const { return limit_; }
  // Called with every new line, after it is kept (nullptr: nobody).
  void SetOnLine(std::function<void(std::string_view)> onLine) { onLine_ = std::move(onLine); }
  bool HasOnLine() const { return static_cast<bool>(onLine_); }

  // Lines kept, and line `index` of them (0: the oldest kept), valid until
  // the next change.
  std::size_t size() const { return size_; }
  std::string_view operator[](std::size_t index) const {
    const Span& span = spans_[(first_ + index) % spans_.size()];
    return {bytes_.data() + span.offset, span.length};
  }
  // Lines made since the start, kept or not.
  std::uint64_t Made() const { return made_; }
  // The lines kept, oldest first, each ended by '\n' but the last.
  std::string Joined() const;
  std::vector<std::string> Lines() const;

 private:
  struct Span {
    std::size_t offset;
    std::size_t length;
  };
  void DropOldest();
  // Where `length` more bytes go without touching a kept line; grows the
  // store when there is no such place.
  std::size_t Room(std::size_t length);
  void Regrow(std::size_t atLeast);

  std::size_t limit_;
  // The kept lines' bytes, one after another in a circular store: a new line
  // goes after the newest, or back at the start when the end has no room for
  // it. The store only grows while the lines kept need more room than ever
  // before; once a run repeats itself (a sweep), it allocates nothing more.
  std::vector<char> bytes_;
  std::size_t next_ = 0;  // where the next line would start
  // Where each kept line is: a ring, filled up to the limit, then each new
  // line takes the oldest's place.
  std::vector<Span> spans_;
  std::size_t first_ = 0;
  std::size_t size_ = 0;
  std::uint64_t made_ = 0;
  std::function<void(std::string_view)> onLine_;
};

}  // namespace ql::hidlink
