// Which of several boards on one machine a program works with: "#N", the
// Nth board in the order the search meets them (from 1), or a text that is
// a board's serial number, device path or port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/interface_list.h"

namespace ql::hidlink {

// What a board is known by.
struct BoardFacts {
  std::string serial;
  std::string path;
  std::string port;
};

class BoardSelector {
 public:
  // Longer than any serial number, path or port a system gives.
  static constexpr std::size_t kMaxLength = 512;

  // `number` counts the boards met so far, this one included.
  bool Matches(std::uint32_t number, const BoardFacts& board) const;
  const std::string& Text() const { return text_; }

 private:
  friend struct ParsedSelector ParseBoardSelector(std::string_view text);
  BoardSelector(std::string text, std::optional<std::uint32_t> number)
      : text_(std::move(text)), number_(number) {}
  std::string text_;
  std::optional<std::uint32_t> number_;
};

struct ParsedSelector {
  std::optional<BoardSelector> selector;
  std::string error;  // why the text is no selector, when it is none
};
ParsedSelector ParseBoardSelector(std::string_view text);

// The boards of `interfaces` that `selector` names, in list order.
std::vector<const InterfaceEntry*> SelectedBoards(const std::vector<InterfaceEntry>& interfaces,
                                                  const BoardSelector& selector,
                                                  std::uint16_t vendor, std::uint16_t product);
// How a board is named in a message: its serial number, else its port, else
// its path.
std::string BoardName(const InterfaceEntry& board);
// The one line that says why `selector` names no single board, from the
// boards it named; empty when it named exactly one.
std::string SelectionProblem(const std::vector<InterfaceEntry>& interfaces,
                             const BoardSelector& selector, std::uint16_t vendor,
                             std::uint16_t product);

}  // namespace ql::hidlink
