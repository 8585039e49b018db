// Headers matched in SCPI's notation; the error queue and the status bytes.
#include <gtest/gtest.h>

#include "scpi/error_queue.h"
#include "scpi/header_pattern.h"
#include "scpi/status.h"

namespace ql::scpi {
namespace {

std::vector<std::string> Words(std::initializer_list<const char*> words) {
  return {words.begin(), words.end()};
}

TEST(HeaderPattern, ShortAndLongFormsInAnyCaseOptionalNodesLeftOut) {
  const HeaderPattern level("[SOURce:]DIMMing[:LEVel]");
  const HeaderPattern levelQuery("[SOURce:]DIMMing[:LEVel]?");
  const HeaderPattern error("SYSTem:ERRor[:NEXT]?");
  const HeaderPattern idn("*IDN?");
  const std::tuple<const HeaderPattern*, std::vector<std::string>, bool, bool, bool> cases[] = {
      {&level, Words({"DIMM"}), false, false, true},
      {&level, Words({"dimming"}), false, false, true},
      {&level, Words({"DiMmInG", "LEV"}), false, false, true},
      {&level, Words({"SOUR", "DIMM", "LEVEL"}), false, false, true},
      {&level, Words({"source", "dimm"}), false, false, true},
      {&level, Words({"DIMMI"}), false, false, false},  // neither form
      {&level, Words({"DIM"}), false, false, false},
      {&level, Words({"LEV"}), false, false, false},  // a required node left out
      {&level, Words({"DIMM", "LEV", "LEV"}), false, false, false},
      {&level, Words({"DIMM"}), false, true, false},  // a query is another command
      {&levelQuery, Words({"DIMM"}), false, true, true},
      {&error, Words({"SYST", "ERR"}), false, true, true},
      {&error, Words({"system", "error", "next"}), false, true, true},
      {&idn, Words({"IDN"}), true, true, true},
      {&idn, Words({"idn"}), true, true, true},
      {&idn, Words({"IDN"}), false, true, false},  // without '*'
  };
  for (const auto& [pattern, words, common, query, matches] : cases) {
    std::string shown;
    for (const auto& w : words) shown += w + ":";
    EXPECT_EQ(pattern->Matches(words, common, query), matches) << pattern->Text() << " / " << shown;
  }
}

TEST(ErrorQueue, OldestFirstAndTheNewestReplacedByOverflowWhenFull) {
  ErrorQueue queue;
  EXPECT_EQ(queue.Pop(), "0,\"No error\"");
  queue.Push(kDataOutOfRange, "level 40");
  queue.Push(kUndefinedHeader);
  EXPECT_EQ(queue.Pop(), "-222,\"Data out of range;level 40\"");
  EXPECT_EQ(queue.Pop(), "-113,\"Undefined header\"");
  EXPECT_TRUE(queue.empty());
  for (int i = 0; i < 40; ++i) queue.Push(kSyntaxError, std::to_string(i));
  ASSERT_EQ(queue.size(), ErrorQueue::kCapacity);
  EXPECT_GE(ErrorQueue::kCapacity, 16u);
  for (std::size_t i = 0; i + 1 < ErrorQueue::kCapacity; ++i)
    EXPECT_EQ(queue.Pop(), "-102,\"Syntax error;" + std::to_string(i) + "\"");
  EXPECT_EQ(queue.Pop(), "-350,\"Queue overflow\"");
  // Room again: errors are queued once more.
  queue.Push(kExecutionError, "a \"quoted\" word");
  EXPECT_EQ(queue.Pop(), "-200,\"Execution error;a \"\"quoted\"\" word\"");
}

TEST(Status, EventsEnabledMakeTheSummaryAndTheServiceRequest) {
  Status status;
  EXPECT_EQ(status.StatusByte(false), 0);
  EXPECT_EQ(status.StatusByte(true), Status::kErrorQueueNotEmpty);
  status.SetEvent(EventBitOf(-113) | EventBitOf(-222));
  EXPECT_EQ(status.StatusByte(false), 0) << "no event enabled";
  status.SetEventEnable(esr::kCommandError);
  EXPECT_EQ(status.StatusByte(false), Status::kEventSummary);
  status.SetServiceRequestEnable(0xFF);
  EXPECT_EQ(status.ServiceRequestEnable(), 0xBF) << "bit 6 cannot be enabled";
  EXPECT_EQ(status.StatusByte(true),
            Status::kErrorQueueNotEmpty | Status::kEventSummary | Status::kMasterSummary);
  EXPECT_EQ(status.TakeEventRegister(), esr::kCommandError | esr::kExecutionError);
  EXPECT_EQ(status.TakeEventRegister(), 0) << "read and cleared";
  EXPECT_EQ(EventBitOf(-420), esr::kQueryError);
  EXPECT_EQ(EventBitOf(-350), esr::kDeviceDependentError);
  EXPECT_EQ(EventBitOf(101), esr::kDeviceDependentError);
  EXPECT_EQ(EventBitOf(0), 0);
}

}  // namespace
}  // namespace ql::scpi
