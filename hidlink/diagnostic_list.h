// The link's trace: an append-only list of text lines for the whole run, with
// at most one line selected.
//
// A run of a million sends leaves some fifteen million lines, nearly all of
// them repeats, so every distinct text is stored once and each line is a
// 32-bit reference to it. Appending is amortised constant time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
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

  DiagnosticList() = default;
  DiagnosticList(const DiagnosticList&) = delete;
  DiagnosticList& operator=(const DiagnosticList&) = delete;

  // Adds `text` as the new last line. The selection does not move.
  void Append(std::string_view text);
  // Selects the last line (nothing happens while the list is empty).
  void SelectLast();

  std::size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  // The text of line `index` (< size()); the view stays valid for the list's
  // life.
  std::string_view operator[](std::size_t index) const { return texts_[lines_[index]]; }
  std::optional<std::size_t> Selected() const { return selected_; }
  // Number of distinct texts stored.
  std::size_t DistinctTexts() const { return texts_.size(); }
  // Copies of all lines, for tests and dumps of short lists.
  std::vector<std::string> Lines() const;
  std::vector<std::string> LinesFrom(std::size_t first) const;

  void AddObserver(Observer* observer);
  void RemoveObserver(Observer* observer);

 private:
  std::uint32_t Intern(std::string_view text);

  // deque: stored texts never move, so the index's keys may point into them.
  std::deque<std::string> texts_;
  std::unordered_map<std::string_view, std::uint32_t> index_;
  std::vector<std::uint32_t> lines_;
  std::optional<std::size_t> selected_;
  std::vector<Observer*> observers_;
};

}  // namespace ql::hidlink
