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

// Both return the process exit status.
int RunOnUhid(const std::string& path, const Firmware& firmware);
int RunOnGadget(const std::string& path, const Firmware& firmware);

// Every line the emulator logs, on standard output, flushed.
void Log(const std::string& line);
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace ql::emulator
