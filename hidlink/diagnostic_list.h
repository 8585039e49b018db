// The link's trace: an append-only list of text lines for the whole run, with
// at most one line selected.
//
// A run of a million sends leaves some eleven million lines, nearly all of
// them repeats, so every distinct text is stored once and each line is a
// 32-bit reference to it, kept in blocks that never move: the list costs
// little more than four bytes a line, and appending a known text is a store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ql::hidlink {

class DiagnosticList {
 public:
  // Told of every change, on the thread that made it. A view (the diagnostic
  // window, a console) can follow the list without the list knowing it.
  class Observer {
   public:
    virtual ~Observer() = default;
    virtual void LinesAppended(std::size_t first, std::size_t count) = 0;
    virtual void SelectionChanged(std::size_t index) = 0;
  };

  // A stored text. Valid for the list's life.
  using TextId = std::uint32_t;

  DiagnosticList() = default;
  DiagnosticList(const DiagnosticList&) = delete;
  DiagnosticList& operator=(const DiagnosticList&) = delete;

  // Stores `text` once; the same text always gives the same id.
  TextId Intern(std::string_view text);
  // Adds a stored text as the new last line. The selection does not move.
  void AppendText(TextId id) {
    const std::size_t index = size_;
    if ((index & (kBlockSize - 1)) == 0) NewBlock();
    blocks_.back()[index & (kBlockSize - 1)] = id;
    ++size_;
    if (!observers_.empty()) Notify(index, 1);
  }
  // Several stored texts at once, in order; observers are told once.
  void AppendTexts(std::span<const TextId> ids);
  // For a writer of many lines at once: room for `count` lines at the end,
  // to be filled and then added with Commit(count); empty when they would
  // not fit the current block (AppendTexts then takes them).
  std::span<TextId> Room(std::size_t count) {
    const std::size_t offset = size_ & (kBlockSize - 1);
    if (offset == 0 || count > kBlockSize - offset) return {};
    return {blocks_.back().get() + offset, count};
  }
  void Commit(std::size_t count) {
    size_ += count;
    if (!observers_.empty() && count > 0) Notify(size_ - count, count);
  }
  void Append(std::string_view text) { AppendText(Intern(text)); }
  // Selects the last line (nothing happens while the list is empty).
  void SelectLast();

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The text of line `index` (< size()); the view stays valid for the list's
  // life.
  std::string_view operator[](std::size_t index) const {
    return texts_[blocks_[index >> kBlockBits][index & (kBlockSize - 1)]];
  }
  std::optional<std::size_t> Selected() const { return selected_; }
  // Number of distinct texts stored.
  std::size_t DistinctTexts() const { return texts_.size(); }
  // Bytes the list holds for its lines and texts (not counting the
  // allocator's own overhead).
  std::size_t BytesHeld() const;
  // Copies of lines, for tests and dumps of short lists.
  std::vector<std::string> Lines() const { return LinesFrom(0); }
  std::vector<std::string> LinesFrom(std::size_t first) const;

  void AddObserver(Observer* observer);
  void RemoveObserver(Observer* observer);

 private:
  void NewBlock();
  void Notify(std::size_t first, std::size_t count);

  // Blocks of 2 MiB: where the system offers huge pages, a long run takes
  // one page fault per half a million lines instead of one per thousand.
  static constexpr std::size_t kBlockBits = 19;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;

  // deque: stored texts never move, so the index's keys may point into them.
  std::deque<std::string> texts_;
  std::unordered_map<std::string_view, TextId> index_;
  struct FreeBlock {
    void operator()(TextId* block) const;
  };
  std::vector<std::unique_ptr<TextId[], FreeBlock>> blocks_;
  std::size_t size_ = 0;
  std::optional<std::size_t> selected_;
  std::vector<Observer*> observers_;
};

}  // namespace ql::hidlink
