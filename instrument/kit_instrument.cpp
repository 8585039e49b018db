#include "instrument/kit_instrument.h"

#include <vector>

#include "instrument/commands.h"
#include "scpi/header_pattern.h"
#include "scpi/message.h"

namespace ql::instrument {
namespace {

// The table's headers, read once.
const std::vector<scpi::HeaderPattern>& Patterns() {
  static const std::vector<scpi::HeaderPattern> patterns = [] {
    std::vector<scpi::HeaderPattern> compiled;
    for (const Command& command : Commands()) compiled.emplace_back(command.header);
    return compiled;
  }();
  return patterns;
}

// The table's entry for a header, or the table's size when none.
std::size_t Find(const scpi::Unit& unit) {
  const auto& patterns = Patterns();
  for (std::size_t i = 0; i < patterns.size(); ++i)
    if (patterns[i].Matches(unit.mnemonics, unit.common, unit.query)) return i;
  return patterns.size();
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const auto& word : words) text += (text.empty() ? "" : ":") + word;
  return text;
}

}  // namespace

void Session::Report(const scpi::Error& error, std::string_view info) {
  errors.Push(error, info);
  status.SetEvent(scpi::EventBitOf(error.code));
  lastReported = error.code;
}

KitInstrument::KitInstrument(hidlink::Link& link, hidlink::KeptTrace& trace)
    : link_(link), trace_(trace) {}

std::string KitInstrument::Execute(Session& session, std::string_view message) {
  std::vector<std::string> answers;
  scpi::MessageReader reader(message);
  // Header path (SCPI-1999, 6.2.4): a unit that does not start with ':' or
  // '*' continues from where the last command's header left off, less its
  // last word; each message starts from the root. A header that fits nothing
  // there is tried from the root too, as many instruments do:
  // "SYST:ERR?;SYST:ERR:COUN?" asks what it seems to ask.
  std::vector<std::string> path;
  while (const auto unit = reader.Next()) {
    scpi::Unit resolved = *unit;
    if (!unit->common) {
      if (unit->absolute) path.clear();
      resolved.mnemonics = path;
      resolved.mnemonics.insert(resolved.mnemonics.end(), unit->mnemonics.begin(),
                                unit->mnemonics.end());
    }
    std::size_t found = Find(resolved);
    if (found == Patterns().size() && !unit->common && !unit->absolute && !path.empty()) {
      const std::size_t fromRoot = Find(*unit);
      if (fromRoot != Patterns().size()) {
        found = fromRoot;
        resolved.mnemonics = unit->mnemonics;
      }
    }
    if (found == Patterns().size()) {
      // What follows a header nobody knows cannot be trusted: the rest of the
      // message goes with it.
      session.Report(scpi::kUndefinedHeader, (resolved.common ? "*" : "") +
                                                 Joined(resolved.mnemonics).substr(0, 60) +
                                                 (resolved.query ? "?" : ""));
      return JoinAnswers(answers);
    }
    if (!unit->common) path.assign(resolved.mnemonics.begin(), resolved.mnemonics.end() - 1);
    Context context{*this, session, resolved, {}};
    const bool done = Commands()[found].run(context);
    if (done && resolved.query) answers.push_back(std::move(context.answer));
    // A command error (a parameter too many, of the wrong type) ends the
    // message as a syntax error does; an execution or device error the
    // command alone.
    if (!done && scpi::EventBitOf(session.lastReported) == scpi::esr::kCommandError)
      return JoinAnswers(answers);
  }
  if (const auto& problem = reader.Failed()) session.Report(problem->error, problem->info);
  return JoinAnswers(answers);
}

std::string KitInstrument::JoinAnswers(const std::vector<std::string>& answers) {
  std::string line;
  for (const auto& answer : answers) line += (line.empty() ? "" : ";") + answer;
  return line;
}

}  // namespace ql::instrument
