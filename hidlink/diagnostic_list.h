// The link's trace: an append-only list of text lines for the whole run, with
// at most one line selected.
//
// A run of a million sends leaves some eleven million lines, nearly all of
// them repeats, so every distinct text is stored once and each line is a
// reference to it, kept in blocks that never move: the list costs about two
// bytes a line, and appending a known text is a store.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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
  void AppendText(TextId id) { AppendTexts(std::span(&id, 1)); }
  // Several stored texts at once, in order; observers are told once.
  void AppendTexts(std::span<const TextId> ids) {
    const std::size_t offset = size_ & (kBlockSize - 1);
    if (offset == 0 || ids.size() > kBlockSize - offset || blocks_.back().wide ||
        texts_.size() > kNarrowTexts) {
      AppendSlowly(ids);
      return;
    }
    // Every id fits two bytes while the list has no more than 65536 texts;
    // four at a time go in as one store.
    std::uint16_t* to = blocks_.back().Narrow() + offset;
    std::size_t i = 0;
    for (; std::endian::native == std::endian::little && i + 4 <= ids.size(); i += 4) {
      const std::uint64_t four = std::uint64_t{ids[i]} | std::uint64_t{ids[i + 1]} << 16 |
                                 std::uint64_t{ids[i + 2]} << 32 | std::uint64_t{ids[i + 3]} << 48;
      std::memcpy(to + i, &four, sizeof four);
    }
    for (; i < ids.size(); ++i) to[i] = static_cast<std::uint16_t>(ids[i]);
    size_ += ids.size();
    if (!observers_.empty() && !ids.empty()) Notify(size_ - ids.size(), ids.size());
  }
  void Append(std::string_view text) { AppendText(Intern(text)); }
  // Selects the last line (nothing happens while the list is empty).
  void SelectLast();

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The text of line `index` (< size()); the view stays valid for the list's
  // life.
  std::string_view operator[](std::size_t index) const {
    const Block& block = blocks_[index >> kBlockBits];
    const std::size_t at = index & (kBlockSize - 1);
    return texts_[block.wide ? block.Wide()[at] : block.Narrow()[at]];
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
  // A block of kBlockSize lines that never moves: two bytes a line while the
  // list has at most 65536 texts (a run has a few hundred), four after.
  // Where the system offers huge pages, a long run takes one page fault per
  // million lines instead of one per thousand.
  struct Block {
    explicit Block(bool isWide);
    ~Block();
    Block(Block&& other) noexcept;
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    Block& operator=(Block&&) = delete;
    std::uint16_t* Narrow() const { return static_cast<std::uint16_t*>(memory); }
    TextId* Wide() const { return static_cast<TextId*>(memory); }
    void* memory;
    bool wide;
  };
  static constexpr std::size_t kBlockBits = 20;
  static constexpr std::size_t kNarrowTexts = 0x10000;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;

  void AppendSlowly(std::span<const TextId> ids);
  void Notify(std::size_t first, std::size_t count);

  // deque: stored texts never move, so the index's keys may point into them.
  std::deque<std::string> texts_;
  std::unordered_map<std::string_view, TextId> index_;
  std::vector<Block> blocks_;
  std::size_t size_ = 0;
  std::optional<std::size_t> selected_;
  std::vector<Observer*> observers_;
};

}  // namespace ql::hidlink
