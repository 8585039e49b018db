// The board as a uhid device: created with the board's identity and report
// descriptor, answering output reports with input reports.
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "board/report_layout.h"
#include "emulator/transport.h"

namespace ql::emulator {
namespace {

constexpr std::uint16_t kBusUsb = 0x03;

bool Send(int fd, const uhid_event& event) {
  ssize_t n;
  do {
    n = ::write(fd, &event, sizeof event);
  } while (n < 0 && errno == EINTR);
  if (n != static_cast<ssize_t>(sizeof event)) {
    Log(std::string("uhid write failed: ") + std::strerror(errno));
    return false;
  }
  return true;
}

bool Create(int fd, const std::string& serial) {
  uhid_event event{};
  event.type = UHID_CREATE2;
  auto& c = event.u.create2;
  std::strncpy(reinterpret_cast<char*>(c.name), "QL8810 interface board (emulated)",
               sizeof c.name - 1);
  std::strncpy(reinterpret_cast<char*>(c.phys), "ql8810-emulator", sizeof c.phys - 1);
  std::strncpy(reinterpret_cast<char*>(c.uniq), serial.c_str(), sizeof c.uniq - 1);
  c.rd_size = static_cast<std::uint16_t>(board::kBoardReportDescriptor.size());
  c.bus = kBusUsb;
  c.vendor = board::BoardVendorID;
  c.product = board::BoardProductID;
  c.version = board::kBoardVersion;
  std::memcpy(c.rd_data, board::kBoardReportDescriptor.data(),
              board::kBoardReportDescriptor.size());
  return Send(fd, event);
}

void Answer(int fd, const std::vector<std::vector<std::uint8_t>>& reports) {
  for (const auto& report : reports) {
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<std::uint16_t>(report.size());
    std::memcpy(event.u.input2.data, report.data(), report.size());
    if (Send(fd, event)) LogReport("answered ", report);
  }
}

// Requests the board does not serve still need a reply, or the kernel waits
// for one until its time-out.
void Refuse(int fd, const uhid_event& request) {
  uhid_event reply{};
  if (request.type == UHID_GET_REPORT) {
    reply.type = UHID_GET_REPORT_REPLY;
    reply.u.get_report_reply.id = request.u.get_report.id;
    reply.u.get_report_reply.err = EIO;
  } else {
    reply.type = UHID_SET_REPORT_REPLY;
    reply.u.set_report_reply.id = request.u.set_report.id;
    reply.u.set_report_reply.err = EIO;
  }
  Send(fd, reply);
}

}  // namespace

int RunOnUhid(const std::string& path, const std::string& serial, const Firmware& firmware) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    Log("cannot open " + path + ": " + std::strerror(errno));
    return 1;
  }
  if (!Create(fd, serial)) {
    ::close(fd);
    return 1;
  }
  Log("board created on " + path);
  // The kernel keeps 32 events for the board and drops the next: during a
  // burst the board must take each as it comes. So it reads until there is
  // nothing left and only then waits, a system call a report.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  uhid_event event;
  while (!stopRequested) {
    if (Stalled()) continue;
    const ssize_t n = ::read(fd, &event, sizeof event);
    if (n < 0 && errno == EAGAIN) {
      pollfd p{fd, POLLIN, 0};
      ::poll(&p, 1, 200);  // a time-out or a signal: look at the stop flag
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Log(std::string("uhid read failed: ") + std::strerror(errno));
      break;
    }
    switch (event.type) {
      case UHID_OUTPUT: {
        const std::span<const std::uint8_t> report(
            event.u.output.data, std::min<std::size_t>(event.u.output.size, UHID_DATA_MAX));
        LogReport("received ", report);
        Answer(fd, firmware(report));
        break;
      }
      case UHID_GET_REPORT:
      case UHID_SET_REPORT:
        Refuse(fd, event);
        break;
      case UHID_OPEN:
        Log("host opened the board");
        break;
      case UHID_CLOSE:
        Log("host closed the board");
        break;
      default:
        break;  // start, stop
    }
  }
  uhid_event destroy{};
  destroy.type = UHID_DESTROY;
  Send(fd, destroy);
  ::close(fd);
  Log("board removed");
  return 0;
}

}  // namespace ql::emulator
