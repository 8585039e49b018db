// A command header in SCPI's own notation, as instrument manuals and the
// command table write it: `[SOURce:]DIMMing[:LEVel]`, `SYSTem:ERRor[:NEXT]?`,
// `*IDN?`. Upper-case letters are the short form, the whole word the long
// form, brackets an optional node, '?' a query. A header sent matches when
// each of its words is one node's short or long form, in any case, and the
// nodes left out are optional ones.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ql::scpi {

class HeaderPattern {
 public:
  // `pattern` is well formed (the table's own); a malformed one matches
  // nothing.
  explicit HeaderPattern(std::string_view pattern);

  bool Matches(const std::vector<std::string>& mnemonics, bool common, bool query) const;
  const std::string& Text() const { return text_; }

 private:
  struct Node {
    std::string shortForm;  // upper case
    std::string longForm;   // upper case
    bool optional = false;
  };
  bool MatchFrom(std::size_t node, const std::vector<std::string>& mnemonics,
                 std::size_t word) const;

  std::string text_;
  std::vector<Node> nodes_;
  bool common_ = false;
  bool query_ = false;
  bool valid_ = true;
};

}  // namespace ql::scpi
