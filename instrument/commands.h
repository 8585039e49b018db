// The instrument's commands: one table, each header in SCPI's notation beside
// the function that runs it.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "instrument/kit_instrument.h"
#include "scpi/message.h"

namespace ql::instrument {

// What a command is run with; a query puts its answer in `answer`.
struct Context {
  KitInstrument& kit;
  Session& session;
  const scpi::Unit& unit;
  std::string answer;
};

// False when the command failed; the error is in the session's queue then.
using Handler = bool (*)(Context&);

struct Command {
  std::string_view header;  // "[SOURce:]DIMMing[:LEVel]", "*IDN?"
  Handler run;
};

std::span<const Command> Commands();

}  // namespace ql::instrument
