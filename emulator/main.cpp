// ql8810-board-emulator: plays the interface board's firmware against a real
// kernel, for end-to-end tests of the Linux build without the board.
//
//   ql8810-board-emulator --uhid [--serial TEXT] [--mute] [--soak]  a uhid device on /dev/uhid
//   ql8810-board-emulator --gadget /dev/hidg0 [--mute] [--soak]     behind a USB HID gadget
//
// Several may run at once, each a board of its own; --serial tells uhid
// boards apart (a gadget's serial number is in its configfs strings).
//   ql8810-board-emulator --print-descriptor          the report descriptor bytes
//
// SIGUSR1 stalls the board (it stops reading what the host sends), SIGUSR2
// resumes it. Every report received and sent is logged on standard output;
// with --soak none is, and the board checks instead that the levels come as
// sweeps of 0 to 31, one after the other, and says at its end
// "soak: N reports, M out of order".
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string_view>

#include "board/firmware.h"
#include "board/report_layout.h"
#include "emulator/transport.h"

namespace ql::emulator {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t stallRequested = 0;
bool reportsLogged = true;

bool Stalled() {
  static bool logged = false;
  const bool stalled = stallRequested != 0;
  if (stalled != logged) Log(stalled ? "stalled: reports are left unread" : "resumed");
  logged = stalled;
  if (stalled) ::poll(nullptr, 0, 100);
  return stalled;
}

void Log(const std::string& line) {
  std::cout << line << std::endl;
}

void LogReport(const char* what, std::span<const std::uint8_t> report) {
  if (reportsLogged) Log(what + HexBytes(report));
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (const std::uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

}  // namespace ql::emulator

namespace {

void RequestStop(int) {
  ql::emulator::stopRequested = 1;
}
void RequestStall(int) {
  ql::emulator::stallRequested = 1;
}
void RequestResume(int) {
  ql::emulator::stallRequested = 0;
}

int Usage() {
  std::cerr << "usage: ql8810-board-emulator --uhid [PATH] [--serial TEXT] [--mute] [--soak]\n"
               "       ql8810-board-emulator --gadget PATH [--mute] [--soak]\n"
               "       ql8810-board-emulator --print-descriptor\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ql::emulator;
  std::string uhid, gadget, serial;
  bool mute = false;
  bool soak = false;
  bool serialGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc && argv[i + 1][0] != '-';
    if (arg == "--uhid") {
      uhid = hasValue ? argv[++i] : "/dev/uhid";
    } else if (arg == "--gadget" && hasValue) {
      gadget = argv[++i];
    } else if (arg == "--serial" && i + 1 < argc) {
      serial = argv[++i];
      serialGiven = true;
    } else if (arg == "--mute") {
      mute = true;
    } else if (arg == "--soak") {
      soak = true;
    } else if (arg == "--print-descriptor") {
      const auto& d = ql::board::kBoardReportDescriptor;
      return std::fwrite(d.data(), 1, d.size(), stdout) == d.size() ? 0 : 1;
    } else {
      return Usage();
    }
  }
  if (uhid.empty() == gadget.empty()) return Usage();
  if (serialGiven && (uhid.empty() || serial.size() > kMaxSerialLength)) {
    std::cerr << "ql8810-board-emulator: --serial is for --uhid, " << kMaxSerialLength
              << " bytes at most; a gadget's serial number is its configfs "
                 "strings/0x409/serialnumber\n";
    return 2;
  }

  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  action.sa_handler = RequestStall;
  sigaction(SIGUSR1, &action, nullptr);
  action.sa_handler = RequestResume;
  sigaction(SIGUSR2, &action, nullptr);

  // The same firmware as the simulated board's.
  ql::board::Firmware board(!mute);
  reportsLogged = !soak;
  std::uint64_t soaked = 0, outOfOrder = 0;
  const Firmware firmware = [&](std::span<const std::uint8_t> report) {
    std::vector<std::vector<std::uint8_t>> answers;
    const auto answer = board.Accept(report);
    if (!board.LastTaken()) {
      Log("ignored: not an 8-byte report 1");
      return answers;
    }
    if (const auto level = board.DimmingLevel()) {
      if (soak) {
        // A lost report, or one out of place, breaks the count from 0 to 31.
        if (*level != static_cast<int>(soaked % 32)) ++outOfOrder;
        ++soaked;
      } else {
        Log("level " + std::to_string(*level));
      }
    }
    if (answer) answers.emplace_back(answer->begin(), answer->end());
    return answers;
  };
  const int status =
      uhid.empty() ? RunOnGadget(gadget, firmware) : RunOnUhid(uhid, serial, firmware);
  if (soak)
    Log("soak: " + std::to_string(soaked) + " reports, " + std::to_string(outOfOrder) +
        " out of order");
  return status;
}
