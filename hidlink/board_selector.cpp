#include "hidlink/board_selector.h"

#include <charconv>

#include "hidlink/text_helpers.h"

namespace ql::hidlink {

ParsedSelector ParseBoardSelector(std::string_view text) {
  if (text.empty()) return {std::nullopt, "an empty board selector names no board"};
  if (text.size() > BoardSelector::kMaxLength)
    return {std::nullopt, "a board selector is " + DecimalText(BoardSelector::kMaxLength) +
                              " characters at most"};
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      return {std::nullopt, "a board selector has no control characters"};
  if (text.front() != '#') return {BoardSelector(std::string(text), std::nullopt), {}};
  std::uint32_t number = 0;
  const char* first = text.data() + 1;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, number);
  if (first == last || ec != std::errc() || end != last || number == 0)
    return {std::nullopt, "#N counts boards from #1, with N a whole number"};
  return {BoardSelector(std::string(text), number), {}};
}

bool BoardSelector::Matches(std::uint32_t number, const BoardFacts& board) const {
  if (number_) return number == *number_;
  return text_ == board.serial || text_ == board.path || text_ == board.port;
}

std::vector<const InterfaceEntry*> SelectedBoards(const std::vector<InterfaceEntry>& interfaces,
                                                  const BoardSelector& selector,
                                                  std::uint16_t vendor, std::uint16_t product) {
  std::vector<const InterfaceEntry*> selected;
  std::uint32_t number = 0;
  for (const InterfaceEntry& entry : interfaces) {
    if (!entry.Is(vendor, product)) continue;
    ++number;
    if (selector.Matches(number, {entry.serial, entry.path, entry.port}))
      selected.push_back(&entry);
  }
  return selected;
}

std::string BoardName(const InterfaceEntry& board) {
  if (!board.serial.empty()) return board.serial;
  if (!board.port.empty()) return board.port;
  return board.path;
}

std::string SelectionProblem(const std::vector<InterfaceEntry>& interfaces,
                             const BoardSelector& selector, std::uint16_t vendor,
                             std::uint16_t product) {
  const auto selected = SelectedBoards(interfaces, selector, vendor, product);
  if (selected.size() == 1) return {};
  const auto names = [](const std::vector<const InterfaceEntry*>& boards, bool byPath) {
    std::string text;
    for (const InterfaceEntry* board : boards)
      text += (text.empty() ? "" : ", ") + (byPath ? board->path : BoardName(*board));
    return text;
  };
  const std::string quoted = "\"" + selector.Text() + "\"";
  if (selected.empty()) {
    std::vector<const InterfaceEntry*> boards;
    for (const InterfaceEntry& entry : interfaces)
      if (entry.Is(vendor, product)) boards.push_back(&entry);
    std::string line = "no board " + quoted + " among " + DecimalText(boards.size());
    if (!boards.empty()) line += ": " + names(boards, false);
    return line;
  }
  // Boards that share the text differ in their paths.
  return "board " + quoted + " names " + DecimalText(selected.size()) +
         " boards: " + names(selected, true);
}

}  // namespace ql::hidlink
