#include "instrument/commands.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

#include "board/dimming.h"
#include "board/operator_messages.h"
#include "board/zeb.h"
#include "hidlink/hid_test.h"
#include "hidlink/interface_list.h"
#include "hidlink/text_helpers.h"

namespace ql::instrument {
namespace {

using scpi::Parameter;

// What the board layer would show the operator becomes the client's error.
class ReportedMessages final : public board::OperatorMessages {
 public:
  explicit ReportedMessages(Session& session) : session_(session) {}
  void ShowMessage(std::string_view text) override {
    const int code = text == board::kBusWriteFailedMessage ? kBusWriteFailedCode : kLinkFailedCode;
    session_.Report({code, text});
  }

 private:
  Session& session_;
};

bool Failed(Context& c, const scpi::Error& error, std::string_view info = {}) {
  c.session.Report(error, info);
  return false;
}

// The unit has between `least` and `most` parameters.
bool Count(Context& c, std::size_t least, std::size_t most) {
  const std::size_t n = c.unit.parameters.size();
  if (n < least) return Failed(c, scpi::kMissingParameter);
  if (n > most) return Failed(c, scpi::kParameterNotAllowed, std::to_string(n) + " given");
  return true;
}

// The word of character data in upper case, for MIN, MAXimum and the like.
bool IsWord(const Parameter& p, std::string_view shortForm, std::string_view longForm) {
  std::string word = p.text;
  for (char& ch : word) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
  return word == shortForm || word == longForm;
}

// Parameter `index` as a whole number from `least` to `most`: a number is
// rounded to the nearest whole (a half to the even one, as the dimming
// window rounds), MINimum and MAXimum are the range's ends, DEFault is
// `preset` where there is one.
std::optional<int> Whole(Context& c, std::size_t index, int least, int most,
                         std::optional<int> preset = std::nullopt) {
  const Parameter& p = c.unit.parameters[index];
  const std::string what = "parameter " + std::to_string(index + 1);
  switch (p.kind) {
    case Parameter::Kind::kNumber: {
      const double rounded = std::nearbyint(p.number);
      if (!std::isfinite(rounded) || rounded < least || rounded > most) {
        Failed(c, scpi::kDataOutOfRange,
               what + " is " + std::to_string(least) + " to " + std::to_string(most));
        return std::nullopt;
      }
      return static_cast<int>(rounded);
    }
    case Parameter::Kind::kCharacter:
      if (IsWord(p, "MIN", "MINIMUM")) return least;
      if (IsWord(p, "MAX", "MAXIMUM")) return most;
      if (preset && IsWord(p, "DEF", "DEFAULT")) return *preset;
      Failed(c, scpi::kIllegalParameterValue, what + ": " + p.text.substr(0, 20));
      return std::nullopt;
    default:
      Failed(c, scpi::kDataTypeError, what + " is a number");
      return std::nullopt;
  }
}

std::string TwoHex(int value) {
  return hidlink::TwoHexDigits(static_cast<std::uint8_t>(value));
}

// The board in use as `list` shows it: serial, port and path, "-" where
// none. Searches for it when it is not open (the search writes nothing).
std::optional<hidlink::InterfaceEntry> BoardInUse(Context& c) {
  hidlink::Link& link = c.kit.Link();
  if (!link.OpenTheHidOnDemand()) return std::nullopt;
  for (auto& entry : hidlink::ListInterfaces(link.platform()))
    if (entry.path == link.DevicePath()) return entry;
  return std::nullopt;
}

// A query without parameters whose answer is one number. The value is read
// only once the parameters are known good: reading *ESR? clears it.
template <typename Value>
bool NumberQuery(Context& c, Value value) {
  if (!Count(c, 0, 0)) return false;
  c.answer = std::to_string(value());
  return true;
}

// A command that sets one of the status masks, 0 to 255.
bool SetMask(Context& c, void (scpi::Status::*set)(std::uint8_t)) {
  if (!Count(c, 1, 1)) return false;
  const auto mask = Whole(c, 0, 0, 255);
  if (mask) (c.session.status.*set)(static_cast<std::uint8_t>(*mask));
  return mask.has_value();
}

// --- IEEE 488.2 common commands ------------------------------------------

bool Identify(Context& c) {
  if (!Count(c, 0, 0)) return false;
  const auto board = BoardInUse(c);
  const std::string serial = board && !board->serial.empty() ? board->serial : "0";
  c.answer = "Corvane,QL8810 Eval Kit," + serial + "," QL8810_VERSION;
  return true;
}

bool Reset(Context& c) {
  if (!Count(c, 0, 0)) return false;
  c.session.errors.Clear();
  c.session.status.Reset();
  return true;
}

bool Clear(Context& c) {
  if (!Count(c, 0, 0)) return false;
  c.session.errors.Clear();
  c.session.status.ClearEvents();
  return true;
}

bool SetEventEnable(Context& c) {
  return SetMask(c, &scpi::Status::SetEventEnable);
}
bool EventEnable(Context& c) {
  return NumberQuery(c, [&] { return c.session.status.EventEnable(); });
}
bool EventRegister(Context& c) {
  return NumberQuery(c, [&] { return c.session.status.TakeEventRegister(); });
}
bool SetServiceRequestEnable(Context& c) {
  return SetMask(c, &scpi::Status::SetServiceRequestEnable);
}
bool ServiceRequestEnable(Context& c) {
  return NumberQuery(c, [&] { return c.session.status.ServiceRequestEnable(); });
}
bool StatusByte(Context& c) {
  return NumberQuery(c, [&] { return c.session.status.StatusByte(!c.session.errors.empty()); });
}
// Every command runs to its end before the next: by the time *OPC runs,
// every earlier one has completed, sends included.
bool OperationComplete(Context& c) {
  if (!Count(c, 0, 0)) return false;
  c.session.status.SetEvent(scpi::esr::kOperationComplete);
  return true;
}
bool OperationCompleteQuery(Context& c) {
  if (!Count(c, 0, 0)) return false;
  c.answer = "1";
  return true;
}
bool Wait(Context& c) {
  return Count(c, 0, 0);
}
// 0 when the board is found and declares the reports it takes (8 bytes out
// and in); nothing is written to it.
bool SelfTest(Context& c) {
  if (!Count(c, 0, 0)) return false;
  hidlink::Link& link = c.kit.Link();
  const bool sound = link.OpenTheHidOnDemand() && link.Capabilities().OutputReportByteLength == 8 &&
                     link.Capabilities().InputReportByteLength == 8;
  c.answer = sound ? "0" : "1";
  return true;
}

// --- SYSTem ----------------------------------------------------------------

bool NextError(Context& c) {
  if (!Count(c, 0, 0)) return false;
  c.answer = c.session.errors.Pop();
  return true;
}
bool ErrorCount(Context& c) {
  return NumberQuery(c, [&] { return c.session.errors.size(); });
}
bool Version(Context& c) {
  if (!Count(c, 0, 0)) return false;
  c.answer = "1999.0";
  return true;
}
bool Board(Context& c) {
  if (!Count(c, 0, 0)) return false;
  const auto board = BoardInUse(c);
  if (!board) return Failed(c, {kLinkFailedCode, board::kLinkFailedMessage});
  const auto shown = [](const std::string& text) { return text.empty() ? std::string("-") : text; };
  c.answer = scpi::QuotedString(shown(board->serial)) + "," +
             scpi::QuotedString(shown(board->port)) + "," + scpi::QuotedString(board->path);
  return true;
}

// --- DIMMing -------------------------------------------------------------

// The level as the tool sends it: the same report, the same trace.
bool SendLevel(Context& c, int level) {
  ReportedMessages messages(c.session);
  const auto outcome =
      board::SendDimmingLevel(c.kit.Link(), messages, static_cast<std::int16_t>(level));
  if (outcome != hidlink::SendOutcome::kSent) return false;
  c.kit.SetLastLevel(level);
  return true;
}

// DEFault: the level the dimming window opens at.
constexpr int kDefaultLevel = 16;

bool SetLevel(Context& c) {
  if (!Count(c, 1, 1)) return false;
  const auto level = Whole(c, 0, 0, 31, kDefaultLevel);
  return level && SendLevel(c, *level);
}
bool Level(Context& c) {
  if (!Count(c, 0, 0)) return false;
  if (!c.kit.LastLevel()) return Failed(c, scpi::kDataStale, "no level sent yet");
  c.answer = std::to_string(*c.kit.LastLevel());
  return true;
}
// FROM,TO[,STEP[,INTERVAL ms]]: every STEP-th level, either way, INTERVAL
// apart, paced from the first send; the first that fails ends it.
bool Sweep(Context& c) {
  if (!Count(c, 2, 4)) return false;
  const auto from = Whole(c, 0, 0, 31);
  if (!from) return false;
  const auto to = Whole(c, 1, 0, 31);
  if (!to) return false;
  const auto step = c.unit.parameters.size() > 2 ? Whole(c, 2, 1, 31, 1) : 1;
  if (!step) return false;
  const auto interval = c.unit.parameters.size() > 3 ? Whole(c, 3, 0, 60000, 0) : 0;
  if (!interval) return false;
  const int direction = *from <= *to ? 1 : -1;
  auto due = std::chrono::steady_clock::now();
  for (int level = *from; direction * (*to - level) >= 0; level += direction * *step) {
    if (level != *from && *interval > 0) {
      due += std::chrono::milliseconds(*interval);
      std::this_thread::sleep_until(due);
    }
    if (!SendLevel(c, level)) return false;
  }
  return true;
}

// --- BUS -------------------------------------------------------------------

bool ZebCommand(Context& c) {
  if (!Count(c, 7, 7)) return false;
  std::array<std::uint8_t, 7> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto value = Whole(c, i, 0, 255);
    if (!value) return false;
    bytes[i] = static_cast<std::uint8_t>(*value);
  }
  const std::span<const std::uint8_t> all(bytes);
  if (board::SendZebCommand(c.kit.Link(), bytes[0], all.subspan(1, 2), all.subspan(3, 4)) != 0)
    return true;
  return Failed(c, {kBusWriteFailedCode, board::kBusWriteFailedMessage});
}
bool Break(Context& c) {
  if (!Count(c, 0, 0)) return false;
  ReportedMessages messages(c.session);
  return board::SendBreakLong(c.kit.Link(), messages, 0) != 0;
}

// --- DIAGnostic ------------------------------------------------------------

// The diagnostic window's HID test, once, without auto-increment: the answer
// as its eight bytes in hex.
bool Test(Context& c) {
  if (c.unit.parameters.size() == 1) return Failed(c, scpi::kMissingParameter, "byte0,byte1");
  if (!Count(c, 0, 2)) return false;
  std::uint8_t byte0 = 1, byte1 = 0;
  if (c.unit.parameters.size() == 2) {
    const auto b0 = Whole(c, 0, 0, 255);
    if (!b0) return false;
    const auto b1 = Whole(c, 1, 0, 255);
    if (!b1) return false;
    byte0 = static_cast<std::uint8_t>(*b0);
    byte1 = static_cast<std::uint8_t>(*b1);
  }
  hidlink::HidTestBytes bytes{byte0, byte1, false};
  const auto run = hidlink::RunHidTest(c.kit.Link(), bytes, hidlink::GeneralDateText());
  if (!run.boardFound) return Failed(c, {kLinkFailedCode, board::kLinkFailedMessage});
  if (run.read.outcome != hidlink::Link::ReadOutcome::kCompleted)
    return Failed(c, scpi::kExecutionError,
                  run.read.outcome == hidlink::Link::ReadOutcome::kTimedOut
                      ? "no answer within " + std::to_string(hidlink::kHidTestWaitMs) + " ms"
                      : "the board went away");
  std::string text;
  for (const std::uint8_t b : run.read.bytes) text += (text.empty() ? "" : " ") + TwoHex(b);
  c.answer = scpi::QuotedString(text);
  return true;
}
// The kept trace lines, each ended by a line feed, as one definite-length
// block: #<digits of the length><length><bytes>.
bool TraceBlock(Context& c) {
  if (!Count(c, 0, 0)) return false;
  const hidlink::KeptTrace& trace = c.kit.Trace();
  std::string data = trace.Joined();
  if (trace.size() > 0) data += '\n';
  const std::string length = std::to_string(data.size());
  c.answer = "#" + std::to_string(length.size()) + length + data;
  return true;
}
bool TraceCount(Context& c) {
  return NumberQuery(c, [&] { return c.kit.Trace().size(); });
}

constexpr Command kCommands[] = {
    {"*IDN?", Identify},
    {"*RST", Reset},
    {"*CLS", Clear},
    {"*ESE", SetEventEnable},
    {"*ESE?", EventEnable},
    {"*ESR?", EventRegister},
    {"*SRE", SetServiceRequestEnable},
    {"*SRE?", ServiceRequestEnable},
    {"*STB?", StatusByte},
    {"*OPC", OperationComplete},
    {"*OPC?", OperationCompleteQuery},
    {"*WAI", Wait},
    {"*TST?", SelfTest},
    {"SYSTem:ERRor[:NEXT]?", NextError},
    {"SYSTem:ERRor:COUNt?", ErrorCount},
    {"SYSTem:VERSion?", Version},
    {"SYSTem:BOARd?", Board},
    {"[SOURce:]DIMMing[:LEVel]", SetLevel},
    {"[SOURce:]DIMMing[:LEVel]?", Level},
    {"[SOURce:]DIMMing:SWEep", Sweep},
    {"BUS:ZEB", ZebCommand},
    {"BUS:BREak", Break},
    {"DIAGnostic:TEST?", Test},
    {"DIAGnostic:TRACe?", TraceBlock},
    {"DIAGnostic:TRACe:COUNt?", TraceCount},
};

}  // namespace

std::span<const Command> Commands() {
  return kCommands;
}

}  // namespace ql::instrument
