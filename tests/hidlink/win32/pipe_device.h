// A named pipe standing in for the board: the test writes "input reports" at
// the server end, the platform opens the client end by its path, as it opens
// a HID device.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

namespace ql::hidlink::win32 {

class PipeDevice {
 public:
  PipeDevice() {
    static int serial = 0;
    path_ = "\\\\.\\pipe\\ql8810-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    server_ = ::CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_DUPLEX,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 256, 256,
                                 0, nullptr);
  }
  ~PipeDevice() {
    if (server_ != INVALID_HANDLE_VALUE) ::CloseHandle(server_);
  }
  PipeDevice(const PipeDevice&) = delete;
  PipeDevice& operator=(const PipeDevice&) = delete;

  bool ok() const { return server_ != INVALID_HANDLE_VALUE; }
  const std::string& path() const { return path_; }

  // One report from the board.
  bool Send(std::span<const std::uint8_t> report) {
    DWORD written = 0;
    return ::WriteFile(server_, report.data(), static_cast<DWORD>(report.size()), &written,
                       nullptr) &&
           written == report.size();
  }
  // What the link wrote to the board; empty when nothing came.
  std::string Receive() {
    char buffer[256];
    DWORD read = 0;
    if (!::ReadFile(server_, buffer, sizeof(buffer), &read, nullptr)) return {};
    return std::string(buffer, read);
  }

 private:
  std::string path_;
  HANDLE server_ = INVALID_HANDLE_VALUE;
};

}  // namespace ql::hidlink::win32
