#include "scpi/message.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace ql::scpi {
namespace {

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
// IEEE 488.2 white space, less the control characters this instrument takes
// for what they mostly are on a socket: garbage.
bool IsWhitespace(char c) {
  return c == ' ' || c == '\t';
}
// What may never appear outside a string or a block: control characters,
// DEL, and bytes that are not 7-bit ASCII.
bool IsInvalid(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte < 0x20 && c != '\t') || byte >= 0x7F;
}

}  // namespace

bool MessageReader::Fail(const Error& error, std::string info) {
  error_ = ParseError{error, std::move(info)};
  at_ = text_.size();
  return false;
}

std::string MessageReader::Shown() const {
  if (at_ >= text_.size()) return "at the end";
  const auto byte = static_cast<unsigned char>(text_[at_]);
  char shown[48];
  if (byte < 0x20 || byte >= 0x7F)
    std::snprintf(shown, sizeof shown, "byte 0x%02X at %zu", byte, at_ + 1);
  else
    std::snprintf(shown, sizeof shown, "'%c' at %zu", byte, at_ + 1);
  return shown;
}

void MessageReader::SkipWhitespace() {
  while (at_ < text_.size() && IsWhitespace(text_[at_])) ++at_;
}

std::optional<Unit> MessageReader::Next() {
  if (error_) return std::nullopt;
  if (started_) {
    if (at_ >= text_.size()) return std::nullopt;
    ++at_;  // the ';'
  }
  started_ = true;
  SkipWhitespace();
  // An empty message, or a ';' just before the message's end.
  if (at_ >= text_.size()) return std::nullopt;
  Unit unit;
  if (text_[at_] == ';') return Fail(kSyntaxError, "an empty unit between two ';'"), std::nullopt;
  if (!ReadHeader(unit)) return std::nullopt;
  if (AtUnitEnd()) return unit;
  if (!IsWhitespace(text_[at_])) {
    // A parameter's first character right after the header: the blank is
    // missing; anything else has no place in a header.
    const char c = text_[at_];
    if (c == ',' || c == '"' || c == '\'' || c == '#' || c == '+' || c == '-' || c == '.')
      return Fail(kInvalidSeparator, "no blank between header and parameter, " + Shown()),
             std::nullopt;
    return Fail(kInvalidCharacter, "in a header, " + Shown()), std::nullopt;
  }
  SkipWhitespace();
  if (AtUnitEnd()) return unit;
  for (;;) {
    Parameter parameter;
    if (!ReadParameter(parameter)) return std::nullopt;
    unit.parameters.push_back(std::move(parameter));
    SkipWhitespace();
    if (AtUnitEnd()) return unit;
    if (text_[at_] != ',') {
      if (IsInvalid(text_[at_])) return Fail(kInvalidCharacter, Shown()), std::nullopt;
      return Fail(kInvalidSeparator, "expected ',' or ';', " + Shown()), std::nullopt;
    }
    ++at_;
    SkipWhitespace();
    if (AtUnitEnd()) return Fail(kSyntaxError, "a parameter missing after ','"), std::nullopt;
  }
}

bool MessageReader::ReadMnemonic(std::string& mnemonic) {
  if (at_ >= text_.size() || !IsLetter(text_[at_])) {
    if (at_ < text_.size() && IsInvalid(text_[at_])) return Fail(kInvalidCharacter, Shown());
    return Fail(kSyntaxError, "a header's word starts with a letter, " + Shown());
  }
  const std::size_t from = at_;
  while (at_ < text_.size() && (IsLetter(text_[at_]) || IsDigit(text_[at_]) || text_[at_] == '_'))
    ++at_;
  // IEEE 488.2 keeps a program mnemonic to 12 characters.
  if (at_ - from > 12) return Fail(kCommandError, "a header word over 12 characters");
  mnemonic.assign(text_.substr(from, at_ - from));
  return true;
}

bool MessageReader::ReadHeader(Unit& unit) {
  if (text_[at_] == '*') {
    unit.common = true;
    ++at_;
    std::string mnemonic;
    if (!ReadMnemonic(mnemonic)) return false;
    unit.mnemonics.push_back(std::move(mnemonic));
  } else {
    if (text_[at_] == ':') {
      unit.absolute = true;
      ++at_;
    }
    for (;;) {
      std::string mnemonic;
      if (!ReadMnemonic(mnemonic)) return false;
      unit.mnemonics.push_back(std::move(mnemonic));
      if (at_ >= text_.size() || text_[at_] != ':') break;
      ++at_;
    }
  }
  if (at_ < text_.size() && text_[at_] == '?') {
    unit.query = true;
    ++at_;
  }
  return true;
}

bool MessageReader::ReadParameter(Parameter& parameter) {
  const char c = text_[at_];
  if (c == '"' || c == '\'') return ReadString(parameter);
  if (c == '#') {
    if (at_ + 1 < text_.size() && IsDigit(text_[at_ + 1])) return ReadBlock(parameter);
    return ReadNonDecimal(parameter);
  }
  if (IsDigit(c) || c == '+' || c == '-' || c == '.') return ReadNumber(parameter);
  if (IsLetter(c)) {
    parameter.kind = Parameter::Kind::kCharacter;
    const std::size_t from = at_;
    while (at_ < text_.size() && (IsLetter(text_[at_]) || IsDigit(text_[at_]) || text_[at_] == '_'))
      ++at_;
    parameter.text.assign(text_.substr(from, at_ - from));
    return true;
  }
  if (IsInvalid(c)) return Fail(kInvalidCharacter, Shown());
  return Fail(kSyntaxError, "not a parameter, " + Shown());
}

// Decimal numeric program data: NR1 (12), NR2 (12.0), NR3 (1.2E1), with a
// sign; a suffix after it (12V) is refused, none being taken here.
bool MessageReader::ReadNumber(Parameter& parameter) {
  const std::size_t from = at_;
  if (text_[at_] == '+' || text_[at_] == '-') ++at_;
  std::size_t digits = 0;
  while (at_ < text_.size() && IsDigit(text_[at_])) ++at_, ++digits;
  if (at_ < text_.size() && text_[at_] == '.') {
    ++at_;
    while (at_ < text_.size() && IsDigit(text_[at_])) ++at_, ++digits;
  }
  if (digits == 0) return Fail(kNumericDataError, "no digits in a number");
  // The exponent, when there is one, may follow blanks (IEEE 488.2 7.7.2.2).
  std::size_t mark = at_;
  SkipWhitespace();
  if (at_ < text_.size() && (text_[at_] == 'E' || text_[at_] == 'e')) {
    const bool joined = at_ == mark;
    ++at_;
    SkipWhitespace();
    if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
    std::size_t exponentDigits = 0;
    while (at_ < text_.size() && IsDigit(text_[at_])) ++at_, ++exponentDigits;
    if (exponentDigits > 0) {
      mark = at_;
    } else if (joined && (at_ >= text_.size() || !IsLetter(text_[at_]))) {
      return Fail(kNumericDataError, "no digits in an exponent");
    }
    // Otherwise a word that starts with E: a suffix, refused below.
  }
  at_ = mark;
  std::string compact;
  for (std::size_t i = from; i < at_; ++i)
    if (!IsWhitespace(text_[i])) compact += text_[i];
  if (!compact.empty() && compact.front() == '+') compact.erase(0, 1);
  double value = 0;
  const auto [end, problem] =
      std::from_chars(compact.data(), compact.data() + compact.size(), value);
  if (problem == std::errc::result_out_of_range) {
    value = compact.find_first_of("eE") != std::string::npos &&
                    compact.find("e-") == std::string::npos &&
                    compact.find("E-") == std::string::npos
                ? std::numeric_limits<double>::infinity()
                : 0.0;
    if (!compact.empty() && compact.front() == '-') value = -value;
  } else if (problem != std::errc() || end != compact.data() + compact.size()) {
    return Fail(kNumericDataError, "\"" + compact + "\" is not a number");
  }
  // More of what looked like a number (1.2.3), or a suffix (units).
  if (at_ < text_.size() && (text_[at_] == '.' || IsDigit(text_[at_])))
    return Fail(kNumericDataError, "\"" + compact + "\" followed by " + Shown());
  const std::size_t afterNumber = at_;
  SkipWhitespace();
  if (at_ < text_.size() && (IsLetter(text_[at_]) || text_[at_] == '/'))
    return Fail(kSuffixNotAllowed, "after " + compact);
  at_ = afterNumber;
  parameter.kind = Parameter::Kind::kNumber;
  parameter.number = value;
  return true;
}

// #H1F, #Q17, #B11111.
bool MessageReader::ReadNonDecimal(Parameter& parameter) {
  ++at_;  // '#'
  if (at_ >= text_.size()) return Fail(kNumericDataError, "nothing after '#'");
  const char base = static_cast<char>(text_[at_] & ~0x20);
  const int radix = base == 'H' ? 16 : base == 'Q' ? 8 : base == 'B' ? 2 : 0;
  if (radix == 0) return Fail(kNumericDataError, "#" + std::string(1, text_[at_]) + " is no base");
  ++at_;
  double value = 0;
  std::size_t digits = 0;
  for (; at_ < text_.size(); ++at_, ++digits) {
    const char c = text_[at_];
    int digit = IsDigit(c) ? c - '0' : IsLetter(c) ? (c & ~0x20) - 'A' + 10 : -1;
    if (digit < 0) break;
    if (digit >= radix)
      return Fail(kNumericDataError, "'" + std::string(1, c) + "' in a #" + base + " number");
    value = value * radix + digit;
  }
  if (digits == 0) return Fail(kNumericDataError, "no digits after #" + std::string(1, base));
  parameter.kind = Parameter::Kind::kNumber;
  parameter.number = value;
  return true;
}

// '...' or "...", the quote doubled inside.
bool MessageReader::ReadString(Parameter& parameter) {
  const char quote = text_[at_++];
  parameter.kind = Parameter::Kind::kString;
  for (;;) {
    if (at_ >= text_.size()) return Fail(kSyntaxError, "a string without its closing quote");
    const char c = text_[at_++];
    if (c == quote) {
      if (at_ < text_.size() && text_[at_] == quote) {
        parameter.text += quote;
        ++at_;
        continue;
      }
      return true;
    }
    parameter.text += c;
  }
}

// #<n><length, n digits><bytes>, or #0<bytes> up to the message's end.
bool MessageReader::ReadBlock(Parameter& parameter) {
  parameter.kind = Parameter::Kind::kBlock;
  const std::size_t lengthDigits = static_cast<std::size_t>(text_[at_ + 1] - '0');
  at_ += 2;
  if (lengthDigits == 0) {
    parameter.text.assign(text_.substr(at_));
    at_ = text_.size();
    return true;
  }
  if (at_ + lengthDigits > text_.size()) return Fail(kSyntaxError, "a block's length cut short");
  std::size_t length = 0;
  for (std::size_t i = 0; i < lengthDigits; ++i) {
    if (!IsDigit(text_[at_ + i])) return Fail(kSyntaxError, "a block's length is digits");
    length = length * 10 + static_cast<std::size_t>(text_[at_ + i] - '0');
  }
  at_ += lengthDigits;
  if (length > text_.size() - at_) return Fail(kSyntaxError, "a block longer than the message");
  parameter.text.assign(text_.substr(at_, length));
  at_ += length;
  return true;
}

}  // namespace ql::scpi
