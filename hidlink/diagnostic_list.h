// The diagnostic window's list: the link's whole trace, an append-only list of
// text lines for the whole run, with at most one line selected.
//
// A run of a million sends leaves some eleven million lines, nearly all of
// them repeats: every distinct text is stored once and a line is the 4-byte
// id of its text. The ids go into chunks of a fixed size, so that a growing
// list never copies its lines, nor holds them twice while it grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hidlink/trace_sink.h"

namespace ql::hidlink {

class DiagnosticList final : public TraceSink {
 public:
  // Told of every change, on the thread that made it. A view (the diagnostic
  // window, a console) can follow the list without the list knowing it.
  class Observer {
   public:
    virtual ~Observer() = default;
    virtual void LinesAppended(std::size_t first, std::size_t count) = 0;
    virtual void SelectionChanged(std::size_t index) = 0;
  };

  DiagnosticList() = default;
  DiagnosticList(const DiagnosticList&) = delete;
  DiagnosticList& operator=(const DiagnosticList&) = delete;

  // Adds `text` as the new last line. The selection does not move.
  void Append(std::string_view text) override;
  // Selects the last line (nothing happens while the list is empty).
  void SelectLast() override;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The text of line `index` (< size()); the view stays valid for the list's
  // life.
  std::string_view operator[](std::size_t index) const {
    return texts_[chunks_[index / kChunkLines][index % kChunkLines]];
  }
  std::optional<std::size_t> Selected() const { return selected_; }
  // Number of distinct texts stored. Texts are numbered from 0 in the order
  // they first appeared, so a view that has looked at texts 0 to n-1 knows
  // that any later line's text is one of those or numbered n or above.
  std::size_t DistinctTexts() const { return texts_.size(); }
  // Distinct text number `id` (< DistinctTexts()).
  std::string_view DistinctText(std::size_t id) const { return texts_[id]; }
  // Bytes the list holds for its lines and texts (not counting the
  // allocator's own overhead).
  std::size_t BytesHeld() const;
  // Copies of lines, for tests and dumps of short lists.
  std::vector<std::string> Lines() const { return LinesFrom(0); }
  std::vector<std::string> LinesFrom(std::size_t first) const;

  void AddObserver(Observer* observer);
  void RemoveObserver(Observer* observer);

 private:
  using TextId = std::uint32_t;
  // 256 KiB of ids a chunk: small beside a long run, large beside the
  // allocator's overhead.
  static constexpr std::size_t kChunkLines = std::size_t{1} << 16;

  // deque: stored texts never move, so the index's keys may point into them.
  std::deque<std::string> texts_;
  std::unordered_map<std::string_view, TextId> index_;
  // Each chunk is given its full capacity when it is started.
  std::vector<std::vector<TextId>> chunks_;
  std::size_t size_ = 0;
  std::optional<std::size_t> selected_;
  std::vector<Observer*> observers_;
};

}  // namespace ql::hidlink
