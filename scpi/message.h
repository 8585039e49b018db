// IEEE 488.2 program messages, as a SCPI instrument reads them: one message a
// line, program message units separated by ';', each a header (common `*IDN?`
// or a path of mnemonics, `:DIMM:LEV`, a query with a '?') and its parameters
// (decimal numbers in NR1, NR2 or NR3, `#H`, `#Q` and `#B` numbers, character
// data such as MAX, strings, blocks). Knows nothing of sockets or boards.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scpi/errors.h"

namespace ql::scpi {

struct Parameter {
  enum class Kind { kNumber, kCharacter, kString, kBlock };
  Kind kind = Kind::kNumber;
  // kNumber: the value; infinite when too large to hold.
  double number = 0;
  // kCharacter: the word as sent; kString and kBlock: their bytes.
  std::string text;
};

struct Unit {
  bool common = false;                 // *IDN?
  bool absolute = false;               // :DIMM:LEV, from the root whatever came before
  std::vector<std::string> mnemonics;  // as sent, without '*', ':' or '?'
  bool query = false;
  std::vector<Parameter> parameters;
};

struct ParseError {
  Error error;
  std::string info;
};

// Reads a message's units one after the other; the first error ends it,
// since what follows a malformed unit cannot be told apart reliably.
class MessageReader {
 public:
  explicit MessageReader(std::string_view message) : text_(message) {}

  // The next unit; nullopt at the message's end or after an error (then
  // Failed() says which).
  std::optional<Unit> Next();
  const std::optional<ParseError>& Failed() const { return error_; }

 private:
  bool AtUnitEnd() const { return at_ >= text_.size() || text_[at_] == ';'; }
  void SkipWhitespace();
  bool ReadHeader(Unit& unit);
  bool ReadMnemonic(std::string& mnemonic);
  bool ReadParameter(Parameter& parameter);
  bool ReadNumber(Parameter& parameter);
  bool ReadNonDecimal(Parameter& parameter);
  bool ReadString(Parameter& parameter);
  bool ReadBlock(Parameter& parameter);
  bool Fail(const Error& error, std::string info = {});
  // The character at the cursor, shown in an error's information.
  std::string Shown() const;

  std::string_view text_;
  std::size_t at_ = 0;
  bool started_ = false;
  std::optional<ParseError> error_;
};

}  // namespace ql::scpi
