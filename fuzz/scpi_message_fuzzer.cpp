// The SCPI message reader over any bytes a client may send, each line a
// message: every unit read, its header matched against the instrument's
// table, every error queued. A read past a string's end, a number's parse
// gone wrong, an error text that breaks its quoting are findings.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "instrument/commands.h"
#include "scpi/error_queue.h"
#include "scpi/header_pattern.h"
#include "scpi/message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<ql::scpi::HeaderPattern> patterns = [] {
    std::vector<ql::scpi::HeaderPattern> compiled;
    for (const auto& command : ql::instrument::Commands()) compiled.emplace_back(command.header);
    return compiled;
  }();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  ql::scpi::ErrorQueue errors;
  for (std::size_t from = 0; from <= input.size();) {
    const std::size_t end = std::min(input.find('\n', from), input.size());
    ql::scpi::MessageReader reader(input.substr(from, end - from));
    while (const auto unit = reader.Next()) {
      if (unit->mnemonics.empty()) __builtin_trap();
      for (const auto& pattern : patterns)
        pattern.Matches(unit->mnemonics, unit->common, unit->query);
      for (const auto& parameter : unit->parameters)
        if (parameter.kind == ql::scpi::Parameter::Kind::kNumber &&
            parameter.number != parameter.number)
          __builtin_trap();  // NaN: no number reads as one
    }
    if (const auto& failed = reader.Failed()) {
      errors.Push(failed->error, failed->info);
      // The response stays one quoted string: every quote inside doubled.
      const std::string response = errors.Pop();
      const std::size_t open = response.find('"');
      if (open == std::string::npos || response.back() != '"') __builtin_trap();
      for (std::size_t i = open + 1; i + 1 < response.size(); ++i)
        if (response[i] == '"' && response[++i] != '"') __builtin_trap();
    }
    from = end + 1;
  }
  return 0;
}
