// Where the trace goes: every sink gets the very lines the diagnostic list
// holds for the same run, the kept trace keeps the newest of them, the stream
// is written out as the run goes, and with no sink nothing is made at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <random>

#include "board/dimming.h"
#include "hidlink/hid_test.h"
#include "hidlink/kept_trace.h"
#include "hidlink/streamed_trace.h"
#include "tests/support/heap_counter.h"
#include "tests/support/sim_link.h"
#include "traces.h"

namespace ql::hidlink {
namespace {

using testing::SimLink;
using Lines = std::vector<std::string>;

// Split at line ends, as the trace files and the stream are written.
Lines TraceLines(std::string_view text) {
  Lines lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    lines.emplace_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// What the tests run on every sink: the first send (the search), more sends,
// a HID test that reads its answer, a read that times out, and a send after
// it. `afterStep` is told whether the step was a send.
void Session(
    SimLink& s, const std::function<void(bool)>& afterStep = [](bool) {}) {
  for (const std::int16_t level : {12, 0, 31, 7}) {
    board::SendDimmingLevel(s.link, s.messages, level);
    afterStep(true);
  }
  HidTestBytes bytes{1, 0x80, true};
  RunHidTest(s.link, bytes, "08/12/2026 10:00:00", 100);
  afterStep(false);
  std::vector<std::uint8_t> data;
  s.link.ReadUSBReport(data, 10);
  afterStep(false);
  board::SendDimmingLevel(s.link, s.messages, 5);
  afterStep(true);
}

// The stream written to a temporary file, read back whole; the same lines go
// to a list too, to tell what was made when.
struct StreamedToFile final : TraceSink {
  StreamedToFile() : file(std::tmpfile()), trace(file) {}
  ~StreamedToFile() override { std::fclose(file); }
  void Append(std::string_view line) override {
    trace.Append(line);
    made.Append(line);
  }
  void Flush() override { trace.Flush(); }
  Lines Written() const {
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fseek(file, 0, SEEK_END);
    EXPECT_TRUE(text.empty() || text.back() == '\n') << "only whole lines are written";
    return TraceLines(text);
  }
  std::FILE* file;
  StreamedTrace trace;
  DiagnosticList made;
};

TEST(TraceSinks, EachKeepsOrStreamsExactlyTheLinesOfTheList) {
  SimLink reference;
  board::SendDimmingLevel(reference.link, reference.messages, 12);
  ASSERT_EQ(reference.list.Lines(), TraceLines(testing::kFirstSendLevel12Trace));
  SimLink whole;
  Session(whole);
  const Lines expected = whole.list.Lines();

  SimLink kept;
  KeptTrace newest(KeptTrace::kUnlimited);
  kept.link.SetTrace(&newest);
  Session(kept);
  EXPECT_EQ(newest.Lines(), expected);
  EXPECT_EQ(newest.Made(), expected.size());

  // Written out after every send and before every wait, without a flush of
  // the test's own: after a send every line made so far is out; after a read
  // at least those made before its wait.
  SimLink streamed;
  StreamedToFile out;
  streamed.link.SetTrace(&out);
  int step = 0;
  Session(streamed, [&](bool send) {
    ++step;
    const Lines written = out.Written(), made = out.made.Lines();
    ASSERT_LE(written.size(), made.size()) << "step " << step;
    EXPECT_TRUE(std::equal(written.begin(), written.end(), made.begin())) << "step " << step;
    if (send) {
      EXPECT_EQ(written.size(), made.size()) << "step " << step;
    } else {
      EXPECT_NE(std::find(written.begin(), written.end(), "waiting for ReadFile"), written.end())
          << "step " << step;
    }
  });
  out.Flush();
  EXPECT_EQ(out.Written(), expected);
}

TEST(KeptTrace, KeepsTheNewestLinesAndCountsTheDropped) {
  struct Case {
    const char* name;
    std::size_t limit;
    int appended;
    std::size_t newLimit;  // set after the appends
    int appendedAfter;
    Lines kept;
  };
  const Case cases[] = {
      {"under the limit", 5, 3, 5, 0, {"0", "1", "2"}},
      {"over it: the oldest go", 3, 7, 3, 0, {"4", "5", "6"}},
      {"lowered after a wrap", 4, 6, 2, 1, {"5", "6"}},
      {"raised after a wrap", 2, 5, 4, 3, {"4", "5", "6", "7"}},
      {"raised, then filled past it", 2, 3, 3, 4, {"4", "5", "6"}},
      {"none kept", 0, 4, 0, 0, {}},
      {"none, then some", 3, 2, 2, 3, {"3", "4"}},
  };
  for (const Case& c : cases) {
    KeptTrace trace(c.limit);
    Lines seen;
    trace.SetOnLine([&](std::string_view line) { seen.emplace_back(line); });
    int n = 0;
    for (; n < c.appended; ++n) trace.Append(std::to_string(n));
    trace.SetLimit(c.newLimit);
    for (int i = 0; i < c.appendedAfter; ++i, ++n) trace.Append(std::to_string(n));
    EXPECT_EQ(trace.Lines(), c.kept) << c.name;
    EXPECT_EQ(trace.size(), c.kept.size()) << c.name;
    EXPECT_EQ(trace.Made(), static_cast<std::uint64_t>(n)) << c.name;
    // The callback saw every line once, in order, kept or not.
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(n)) << c.name;
    for (int i = 0; i < n; ++i) EXPECT_EQ(seen[i], std::to_string(i)) << c.name;
  }
}

// Lines of every length, empty ones and ones longer than the store, kept
// across wraps, limits lowered and raised: always the newest, whole.
TEST(KeptTrace, KeepsWhatAPlainQueueWouldOverLongRandomRuns) {
  std::mt19937 random(8810);
  for (int run = 0; run < 100; ++run) {
    std::size_t limit = random() % 24;
    KeptTrace trace(limit);
    std::deque<std::string> model;
    for (int step = 0; step < 600; ++step) {
      if (random() % 60 == 0) {
        limit = random() % 24;
        trace.SetLimit(limit);
      } else {
        const std::size_t length = random() % 50 == 0 ? 300 : random() % 30;
        std::string line(length, static_cast<char>('a' + step % 26));
        if (!line.empty()) line.front() = static_cast<char>('0' + step % 10);
        trace.Append(line);
        model.push_back(line);
      }
      while (model.size() > limit) model.pop_front();
      ASSERT_EQ(trace.Lines(), Lines(model.begin(), model.end()))
          << "run " << run << ", step " << step;
    }
  }
}

// A callback that replaces itself or changes the limit while it runs.
TEST(KeptTrace, ACallbackMayChangeTheTraceItIsCalledFrom) {
  KeptTrace trace(10);
  int calls = 0;
  trace.SetOnLine([&](std::string_view) {
    ++calls;
    trace.SetLimit(1);
    trace.SetOnLine(nullptr);
  });
  trace.Append("a");
  trace.Append("b");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(trace.Lines(), Lines{"b"});
}

// No sink: not one line is made. A send on the open board then takes only
// the report's own buffer and the simulated board's record of it from the
// heap; with a sink that drops every line, the lines are still made.
TEST(TraceSinks, WithoutASinkNoLineIsMade) {
  if (!testing::HeapCountKept()) GTEST_SKIP() << "no heap count under a sanitizer";
  const auto heapBlocksPerSend = [](TraceSink* sink) {
    SimLink s;
    s.link.SetTrace(sink);
    board::SendDimmingLevel(s.link, s.messages, 1);  // the search
    testing::StartHeapCount();
    for (int i = 0; i < 100; ++i)
      board::SendDimmingLevel(s.link, s.messages, static_cast<std::int16_t>(i & 31));
    return static_cast<double>(testing::StopHeapCount()) / 100.0;
  };
  struct Dropped final : TraceSink {
    void Append(std::string_view) override {}
  } dropped;
  const double none = heapBlocksPerSend(nullptr);
  const double made = heapBlocksPerSend(&dropped);
  EXPECT_LE(none, 2.0);
  // " OutputReportByteLength = 8", " NumberOfBytesWritten = 8": too long for
  // a string without a block of its own.
  EXPECT_GE(made - none, 2.0);
}

}  // namespace
}  // namespace ql::hidlink
