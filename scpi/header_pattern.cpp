#include "scpi/header_pattern.h"

#include <cctype>

namespace ql::scpi {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

HeaderPattern::HeaderPattern(std::string_view pattern) : text_(pattern) {
  if (!pattern.empty() && pattern.back() == '?') {
    query_ = true;
    pattern.remove_suffix(1);
  }
  if (!pattern.empty() && pattern.front() == '*') {
    common_ = true;
    pattern.remove_prefix(1);
  }
  // Nodes, each maybe in brackets with its ':' inside them: [SOURce:] before
  // a node, [:LEVel] after one.
  std::size_t at = 0;
  while (at < pattern.size()) {
    Node node;
    if (pattern[at] == '[') {
      node.optional = true;
      ++at;
    }
    if (at < pattern.size() && pattern[at] == ':') ++at;
    const std::size_t from = at;
    while (at < pattern.size() && std::isalnum(static_cast<unsigned char>(pattern[at]))) ++at;
    const std::string_view word = pattern.substr(from, at - from);
    for (const char c : word)
      if (std::isupper(static_cast<unsigned char>(c)) ||
          std::isdigit(static_cast<unsigned char>(c)))
        node.shortForm += c;
    node.longForm = Upper(word);
    if (at < pattern.size() && pattern[at] == ':' && node.optional) ++at;
    if (node.optional) {
      if (at >= pattern.size() || pattern[at] != ']') valid_ = false;
      ++at;
    }
    if (at < pattern.size() && pattern[at] == ':') ++at;
    if (word.empty() || node.shortForm.empty()) valid_ = false;
    nodes_.push_back(std::move(node));
  }
  if (nodes_.empty()) valid_ = false;
}

bool HeaderPattern::Matches(const std::vector<std::string>& mnemonics, bool common,
                            bool query) const {
  return valid_ && common == common_ && query == query_ && MatchFrom(0, mnemonics, 0);
}

bool HeaderPattern::MatchFrom(std::size_t node, const std::vector<std::string>& mnemonics,
                              std::size_t word) const {
  if (node == nodes_.size()) return word == mnemonics.size();
  const Node& n = nodes_[node];
  if (word < mnemonics.size()) {
    const std::string sent = Upper(mnemonics[word]);
    if ((sent == n.shortForm || sent == n.longForm) && MatchFrom(node + 1, mnemonics, word + 1))
      return true;
  }
  return n.optional && MatchFrom(node + 1, mnemonics, word);
}

}  // namespace ql::scpi
