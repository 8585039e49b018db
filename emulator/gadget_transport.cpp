// The board behind a USB HID gadget: /dev/hidgN carries the host's output
// reports to us and our input reports to the host's interrupt IN polls.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "emulator/transport.h"

namespace ql::emulator {
namespace {

// An answer waits this long for the host to poll for it; a host that has
// the board closed does not poll, and the answer is dropped.
constexpr int kAnswerWaitMs = 1000;

void Answer(int fd, const std::vector<std::uint8_t>& report) {
  for (int waited = 0;;) {
    const ssize_t n = ::write(fd, report.data(), report.size());
    if (n == static_cast<ssize_t>(report.size())) {
      LogReport("answered ", report);
      return;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN && waited < kAnswerWaitMs) {
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, 100);
      waited += 100;
      continue;
    }
    Log(std::string("answer dropped: ") + (n < 0 ? std::strerror(errno) : "short write"));
    return;
  }
}

}  // namespace

int RunOnGadget(const std::string& path, const Firmware& firmware) {
  // Non-blocking, so that an answer the host never fetches cannot hang us.
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Log("cannot open " + path + ": " + std::strerror(errno));
    return 1;
  }
  Log("board serving " + path);
  std::vector<std::uint8_t> buffer(64);
  while (!stopRequested) {
    if (Stalled()) continue;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0) continue;
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n < 0) {
      Log(std::string("read failed: ") + std::strerror(errno));
      ::close(fd);
      return 1;
    }
    const std::span<const std::uint8_t> report(buffer.data(), static_cast<std::size_t>(n));
    LogReport("received ", report);
    for (const auto& answer : firmware(report)) Answer(fd, answer);
  }
  ::close(fd);
  return 0;
}

}  // namespace ql::emulator
