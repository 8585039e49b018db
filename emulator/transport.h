// The emulator's two ways into a kernel: a uhid device (the HID core sees a
// device, no USB involved) and the /dev/hidgN node of a USB HID gadget (the
// full USB path through a UDC).
#pragma once

#include <csignal>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace ql::emulator {

// Called with every output report the host sends; returns the input reports
// to send back.
using Firmware =
    std::function<std::vector<std::vector<std::uint8_t>>(std::span<const std::uint8_t>)>;

// Set by the signal handler; the loops end soon after.
extern volatile std::sig_atomic_t stopRequested;

// Set by SIGUSR1, cleared by SIGUSR2: while set the board reads nothing the
// host sends, as hung firmware would. Behind the gadget the OUT endpoint's
// few queued requests fill and the host's writes wait; uhid queues the
// reports in the kernel and drops them once its queue is full.
extern volatile std::sig_atomic_t stallRequested;
// Whether the board is stalled now; says so in the log when that changes,
// and while stalled waits a little, so that a loop calling it does not spin.
bool Stalled();

// Both return the process exit status. `serial` is the uhid device's unique
// id, which the HID core shows as its serial number (HID_UNIQ); a gadget's is
// its configfs strings/0x409/serialnumber.
inline constexpr std::size_t kMaxSerialLength = 63;
int RunOnUhid(const std::string& path, const std::string& serial, const Firmware& firmware);
int RunOnGadget(const std::string& path, const Firmware& firmware);

// Every line the emulator logs, on standard output, flushed.
void Log(const std::string& line);
// A report received or answered, logged unless a soak test counts them
// instead (a line each would outweigh what is measured).
void LogReport(const char* what, std::span<const std::uint8_t> report);
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace ql::emulator
