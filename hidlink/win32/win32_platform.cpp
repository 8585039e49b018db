#include "hidlink/win32/win32_platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// setupapi.h needs windows.h before it.
#include <cfgmgr32.h>
#include <dbt.h>
#include <setupapi.h>
// MinGW-w64's HID headers (hidsdi.h brings hidpi.h in the right order)
// declare C functions without a C++ guard of their own; they need windows.h
// and setupapi.h first.
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <vector>

namespace ql::hidlink::win32 {
namespace {

// The link fills in the record size of the 32-bit layout, which is the only
// one it knows; the system wants the size of the layout it was built for.
constexpr std::uint32_t kLinkInterfaceDataSize = 28;

HANDLE ToSystem(Handle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

Handle ToToken(HANDLE handle) {
  return reinterpret_cast<Handle>(handle);
}

HDEVINFO ToDeviceInfoSet(Handle set) {
  return reinterpret_cast<HDEVINFO>(set);
}

PHIDP_PREPARSED_DATA ToPreparsed(std::intptr_t preparsed) {
  return reinterpret_cast<PHIDP_PREPARSED_DATA>(preparsed);
}

GUID ToSystem(const Guid& g) {
  GUID s{};
  s.Data1 = g.Data1;
  s.Data2 = g.Data2;
  s.Data3 = g.Data3;
  std::copy(std::begin(g.Data4), std::end(g.Data4), std::begin(s.Data4));
  return s;
}

Guid FromSystem(const GUID& s) {
  Guid g;
  g.Data1 = s.Data1;
  g.Data2 = s.Data2;
  g.Data3 = s.Data3;
  std::copy(std::begin(s.Data4), std::end(s.Data4), std::begin(g.Data4));
  return g;
}

std::string Utf8(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();  // the terminating zero
  return utf8;
}

SP_DEVICE_INTERFACE_DATA ToSystem(const InterfaceData& data) {
  SP_DEVICE_INTERFACE_DATA s{};
  s.cbSize = data.cbSize == kLinkInterfaceDataSize ? sizeof(SP_DEVICE_INTERFACE_DATA) : data.cbSize;
  s.InterfaceClassGuid = ToSystem(data.InterfaceClassGuid);
  s.Flags = data.Flags;
  s.Reserved = data.Reserved;
  return s;
}

SECURITY_ATTRIBUTES InheritableHandle() {
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof(security);
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = TRUE;
  return security;
}

}  // namespace

struct Win32Platform::Request {
  OVERLAPPED overlapped{};
  // Started and not yet seen to end.
  bool pending = false;
};

struct Win32Platform::WriteRequest {
  OVERLAPPED overlapped{};
  std::vector<std::uint8_t> report;
  ~WriteRequest() { ::CloseHandle(overlapped.hEvent); }
};

// Device notifications come to a window as messages; a message-only window
// of the calling thread takes them, with no window shown and no message loop
// beyond WaitForDeviceChange's own.
struct Win32Platform::DeviceWatch {
  HWND window = nullptr;
  HDEVNOTIFY notification = nullptr;
  bool changed = false;

  static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE &&
        (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
      auto* watch = reinterpret_cast<DeviceWatch*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
      if (watch) watch->changed = true;
      return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  explicit DeviceWatch(const GUID& hid) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Receive;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QL8810DeviceWatch";
    ::RegisterClassW(&windowClass);  // fails harmlessly when registered before
    window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                               nullptr, windowClass.hInstance, nullptr);
    if (!window) return;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = hid;
    notification = ::RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  ~DeviceWatch() {
    if (notification) ::UnregisterDeviceNotification(notification);
    if (window) ::DestroyWindow(window);
  }
  DeviceWatch(const DeviceWatch&) = delete;
  DeviceWatch& operator=(const DeviceWatch&) = delete;
};

Win32Platform::Win32Platform() = default;

Win32Platform::~Win32Platform() {
  // Windows ends a cancelled write at once, Wine only when its HID driver's
  // write to the device returns (the Linux kernel bounds it at 5 s). Rather
  // than make a program that is closing wait that long, a write still held
  // keeps its record and report until the process ends.
  for (auto& write : abandonedWrites_)
    if (!HasOverlappedIoCompleted(&write->overlapped)) static_cast<void>(write.release());
  for (auto& [device, request] : requests_) {
    if (!request->pending) continue;
    ::CancelIo(ToSystem(device));
    AwaitRequest(device);
  }
  for (const std::intptr_t preparsed : preparsed_) ::HidD_FreePreparsedData(ToPreparsed(preparsed));
  for (const auto& [set, members] : sets_) ::SetupDiDestroyDeviceInfoList(ToDeviceInfoSet(set));
}

void Win32Platform::AwaitRequest(Handle device) {
  const auto it = requests_.find(device);
  if (it == requests_.end() || !it->second->pending) return;
  DWORD transferred = 0;
  ::GetOverlappedResult(ToSystem(device), &it->second->overlapped, &transferred, TRUE);
  it->second->pending = false;
}

void Win32Platform::ReapWriteRequests() {
  std::erase_if(abandonedWrites_, [](const std::unique_ptr<WriteRequest>& write) {
    return HasOverlappedIoCompleted(&write->overlapped);
  });
}

bool Win32Platform::KnownMember(Handle set, std::uintptr_t reserved) const {
  const auto it = sets_.find(set);
  return it != sets_.end() && it->second.contains(reserved);
}

Guid Win32Platform::GetHidGuid() {
  GUID guid{};
  ::HidD_GetHidGuid(&guid);
  lastError_ = ::GetLastError();
  return FromSystem(guid);
}

Handle Win32Platform::GetClassDevs(const Guid& classGuid) {
  const GUID guid = ToSystem(classGuid);
  const HDEVINFO set =
      ::SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  lastError_ = ::GetLastError();
  if (set == INVALID_HANDLE_VALUE) return kInvalidHandle;
  const Handle token = ToToken(set);
  sets_[token];
  return token;
}

bool Win32Platform::EnumDeviceInterfaces(Handle set, const Guid& classGuid, std::uint32_t index,
                                         InterfaceData& data) {
  const auto it = sets_.find(set);
  if (it == sets_.end()) return Fail(ERROR_INVALID_HANDLE);
  const GUID guid = ToSystem(classGuid);
  SP_DEVICE_INTERFACE_DATA member = ToSystem(data);
  const BOOL found =
      ::SetupDiEnumDeviceInterfaces(ToDeviceInfoSet(set), nullptr, &guid, index, &member);
  lastError_ = ::GetLastError();
  data.cbSize = member.cbSize;
  if (!found) return false;
  data.InterfaceClassGuid = FromSystem(member.InterfaceClassGuid);
  data.Flags = member.Flags;
  data.Reserved = member.Reserved;
  it->second.insert(member.Reserved);
  return true;
}

bool Win32Platform::GetDeviceInterfaceDetail(Handle set, const InterfaceData& data,
                                             std::span<std::uint8_t> buffer,
                                             std::uint32_t& requiredSize) {
  if (!sets_.contains(set)) return Fail(ERROR_INVALID_HANDLE);
  // The system takes Reserved for its own pointer into the set.
  if (!KnownMember(set, data.Reserved)) return Fail(ERROR_INVALID_PARAMETER);
  const bool aligned = reinterpret_cast<std::uintptr_t>(buffer.data()) %
                           alignof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) ==
                       0;
  if (!buffer.empty() && (buffer.size() < sizeof(DWORD) || !aligned))
    return Fail(ERROR_INVALID_USER_BUFFER);

  SP_DEVICE_INTERFACE_DATA member = ToSystem(data);
  auto* detail = buffer.empty()
                     ? nullptr
                     : reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
  DWORD required = requiredSize;
  const BOOL ok = ::SetupDiGetDeviceInterfaceDetailA(
      ToDeviceInfoSet(set), &member, detail, static_cast<DWORD>(buffer.size()), &required, nullptr);
  lastError_ = ::GetLastError();
  requiredSize = required;
  return ok;
}

std::uint32_t Win32Platform::DetailDataFixedSize() const {
  return sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
}

bool Win32Platform::DestroyDeviceInfoList(Handle set) {
  if (!sets_.contains(set)) return Fail(ERROR_INVALID_HANDLE);
  const BOOL ok = ::SetupDiDestroyDeviceInfoList(ToDeviceInfoSet(set));
  lastError_ = ::GetLastError();
  sets_.erase(set);
  return ok;
}

Handle Win32Platform::OpenDevice(const std::string& path, OpenMode mode) {
  SECURITY_ATTRIBUTES security = InheritableHandle();
  const DWORD access = mode == OpenMode::kQueryOnly ? 0 : GENERIC_READ | GENERIC_WRITE;
  // Writes are overlapped too, so that they can be bounded.
  const DWORD flags = mode == OpenMode::kQueryOnly ? 0 : FILE_FLAG_OVERLAPPED;
  const HANDLE device = ::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &security, OPEN_EXISTING, flags, nullptr);
  lastError_ = ::GetLastError();
  return device == INVALID_HANDLE_VALUE ? kInvalidHandle : ToToken(device);
}

bool Win32Platform::GetAttributes(Handle device, Attributes& attributes) {
  if (!IsOpenHandle(device)) return Fail(ERROR_INVALID_HANDLE);
  HIDD_ATTRIBUTES filled{};
  filled.Size = sizeof(filled);
  const BOOLEAN ok = ::HidD_GetAttributes(ToSystem(device), &filled);
  lastError_ = ::GetLastError();
  if (!ok) return false;
  attributes.Size = filled.Size;
  attributes.VendorID = filled.VendorID;
  attributes.ProductID = filled.ProductID;
  attributes.VersionNumber = filled.VersionNumber;
  return true;
}

bool Win32Platform::WaitForDeviceChange(std::uint32_t milliseconds) {
  if (!watch_) {
    GUID hid{};
    ::HidD_GetHidGuid(&hid);
    watch_ = std::make_unique<DeviceWatch>(hid);
    if (!watch_->notification) return Fail(::GetLastError());
  }
  if (!watch_->notification) return Fail(ERROR_INVALID_HANDLE);
  watch_->changed = false;
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, watch_->window, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    if (watch_->changed) {
      lastError_ = 0;
      return true;
    }
    DWORD left = INFINITE;
    if (milliseconds != INFINITE) {
      const ULONGLONG spent = ::GetTickCount64() - start;
      if (spent >= milliseconds) {
        lastError_ = 0;
        return false;
      }
      left = static_cast<DWORD>(milliseconds - spent);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT);
  }
}

bool Win32Platform::GetDeviceString(Handle device, DeviceString which, std::string& text) {
  if (!IsOpenHandle(device)) return Fail(ERROR_INVALID_HANDLE);
  // A USB string descriptor holds 126 UTF-16 units at most; the last unit
  // of the buffer stays a terminating zero whatever the driver writes.
  wchar_t buffer[256] = {};
  const ULONG bytes = sizeof buffer - sizeof buffer[0];
  BOOLEAN ok = FALSE;
  switch (which) {
    case DeviceString::kManufacturer:
      ok = ::HidD_GetManufacturerString(ToSystem(device), buffer, bytes);
      break;
    case DeviceString::kProduct:
      ok = ::HidD_GetProductString(ToSystem(device), buffer, bytes);
      break;
    case DeviceString::kSerialNumber:
      ok = ::HidD_GetSerialNumberString(ToSystem(device), buffer, bytes);
      break;
  }
  lastError_ = ::GetLastError();
  if (!ok) return false;
  text = Utf8(buffer);
  return true;
}

bool Win32Platform::GetDeviceLocation(Handle set, const InterfaceData& data,
                                      std::string& location) {
  if (!sets_.contains(set)) return Fail(ERROR_INVALID_HANDLE);
  if (!KnownMember(set, data.Reserved)) return Fail(ERROR_INVALID_PARAMETER);
  SP_DEVICE_INTERFACE_DATA member = ToSystem(data);
  SP_DEVINFO_DATA node{};
  node.cbSize = sizeof node;
  // The member's device comes with its detail record, asked for in full.
  DWORD required = 0;
  ::SetupDiGetDeviceInterfaceDetailA(ToDeviceInfoSet(set), &member, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || required > 65536)
    return Fail(ERROR_INVALID_DATA);
  std::vector<DWORD> record((required + sizeof(DWORD) - 1) / sizeof(DWORD));
  auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(record.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!::SetupDiGetDeviceInterfaceDetailA(ToDeviceInfoSet(set), &member, detail, required, nullptr,
                                          &node))
    return Fail(::GetLastError());
  // The HID interface's own node has no location; the USB interface or
  // device above it has. A few levels up is as far as any bus nests.
  DEVINST at = node.DevInst;
  for (int level = 0; level < 4; ++level) {
    char paths[1024] = {};
    ULONG size = sizeof paths - 2;
    if (::CM_Get_DevNode_Registry_PropertyA(at, CM_DRP_LOCATION_PATHS, nullptr, paths, &size, 0) ==
            CR_SUCCESS &&
        paths[0] != 0) {
      location = paths;  // the first of the list
      lastError_ = 0;
      return true;
    }
    DEVINST parent = 0;
    if (::CM_Get_Parent(&parent, at, 0) != CR_SUCCESS) break;
    at = parent;
  }
  return Fail(ERROR_NOT_FOUND);
}

bool Win32Platform::GetPreparsedData(Handle device, std::intptr_t& preparsed) {
  if (!IsOpenHandle(device)) return Fail(ERROR_INVALID_HANDLE);
  PHIDP_PREPARSED_DATA data = nullptr;
  const BOOLEAN ok = ::HidD_GetPreparsedData(ToSystem(device), &data);
  lastError_ = ::GetLastError();
  if (!ok || data == nullptr) return false;
  preparsed = reinterpret_cast<std::intptr_t>(data);
  preparsed_.insert(preparsed);
  return true;
}

bool Win32Platform::GetCaps(std::intptr_t preparsed, Caps& caps) {
  if (!preparsed_.contains(preparsed)) return Fail(ERROR_INVALID_PARAMETER);
  HIDP_CAPS c{};
  const NTSTATUS status = ::HidP_GetCaps(ToPreparsed(preparsed), &c);
  lastError_ = ::GetLastError();
  if (status != HIDP_STATUS_SUCCESS) return false;
  caps.Usage = c.Usage;
  caps.UsagePage = c.UsagePage;
  caps.InputReportByteLength = c.InputReportByteLength;
  caps.OutputReportByteLength = c.OutputReportByteLength;
  caps.FeatureReportByteLength = c.FeatureReportByteLength;
  caps.NumberLinkCollectionNodes = c.NumberLinkCollectionNodes;
  caps.NumberInputButtonCaps = c.NumberInputButtonCaps;
  caps.NumberInputValueCaps = c.NumberInputValueCaps;
  caps.NumberInputDataIndices = c.NumberInputDataIndices;
  caps.NumberOutputButtonCaps = c.NumberOutputButtonCaps;
  caps.NumberOutputValueCaps = c.NumberOutputValueCaps;
  caps.NumberOutputDataIndices = c.NumberOutputDataIndices;
  caps.NumberFeatureButtonCaps = c.NumberFeatureButtonCaps;
  caps.NumberFeatureValueCaps = c.NumberFeatureValueCaps;
  caps.NumberFeatureDataIndices = c.NumberFeatureDataIndices;
  return true;
}

bool Win32Platform::GetInputValueCaps(std::intptr_t preparsed, std::uint16_t& count) {
  if (!preparsed_.contains(preparsed)) return Fail(ERROR_INVALID_PARAMETER);
  // The entries themselves are of no use to the link; only the call and its
  // count go into the trace.
  std::vector<HIDP_VALUE_CAPS> entries(std::max<std::uint16_t>(count, 1));
  USHORT length = count;
  const NTSTATUS status =
      ::HidP_GetValueCaps(HidP_Input, entries.data(), &length, ToPreparsed(preparsed));
  lastError_ = ::GetLastError();
  if (status != HIDP_STATUS_SUCCESS) return false;
  count = length;
  return true;
}

bool Win32Platform::FreePreparsedData(std::intptr_t preparsed) {
  if (!preparsed_.contains(preparsed)) return Fail(ERROR_INVALID_PARAMETER);
  const BOOLEAN ok = ::HidD_FreePreparsedData(ToPreparsed(preparsed));
  lastError_ = ::GetLastError();
  preparsed_.erase(preparsed);
  return ok;
}

Handle Win32Platform::CreateReadEvent() {
  SECURITY_ATTRIBUTES security = InheritableHandle();
  const HANDLE event = ::CreateEventA(&security, TRUE, TRUE, nullptr);
  lastError_ = ::GetLastError();
  return event == nullptr ? kNoHandle : ToToken(event);
}

bool Win32Platform::WriteFile(Handle device, std::span<const std::uint8_t> report,
                              std::uint32_t& bytesWritten) {
  bytesWritten = 0;
  if (!IsOpenHandle(device)) return Fail(ERROR_INVALID_HANDLE);
  ReapWriteRequests();
  auto write = std::make_unique<WriteRequest>();
  write->overlapped.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (write->overlapped.hEvent == nullptr) return Fail(::GetLastError());
  write->report.assign(report.begin(), report.end());

  const HANDLE handle = ToSystem(device);
  DWORD written = 0;
  BOOL ok = ::WriteFile(handle, write->report.data(), static_cast<DWORD>(write->report.size()),
                        &written, &write->overlapped);
  DWORD error = ::GetLastError();
  if (!ok && error == ERROR_IO_PENDING) {
    if (::WaitForSingleObject(write->overlapped.hEvent, kWriteTimeoutMs) != WAIT_OBJECT_0)
      ::CancelIo(handle);
    if (!HasOverlappedIoCompleted(&write->overlapped)) {
      abandonedWrites_.push_back(std::move(write));
      return Fail(ERROR_TIMEOUT);
    }
    ok = ::GetOverlappedResult(handle, &write->overlapped, &written, FALSE);
    error = ::GetLastError();
    // Taken back by the cancel: the board took nothing in time.
    if (!ok && error == ERROR_OPERATION_ABORTED) error = ERROR_TIMEOUT;
  }
  lastError_ = error;
  // A failed write's count means nothing (Wine reports 0xFFFFFFFF there).
  bytesWritten = ok ? written : 0;
  return ok;
}

bool Win32Platform::ReadFile(Handle device, std::span<std::uint8_t> buffer,
                             std::uint32_t& bytesRead, Overlapped& overlapped) {
  bytesRead = 0;
  if (!IsOpenHandle(device)) return Fail(ERROR_INVALID_HANDLE);
  std::unique_ptr<Request>& request = requests_[device];
  if (request && request->pending) {
    // An earlier request must not land in a buffer its caller has given up.
    ::CancelIo(ToSystem(device));
    AwaitRequest(device);
  }
  request = std::make_unique<Request>();
  request->overlapped.Offset = overlapped.Offset;
  request->overlapped.OffsetHigh = overlapped.OffsetHigh;
  request->overlapped.hEvent = ToSystem(overlapped.hEvent);

  DWORD read = 0;
  const BOOL done = ::ReadFile(ToSystem(device), buffer.data(), static_cast<DWORD>(buffer.size()),
                               &read, &request->overlapped);
  lastError_ = ::GetLastError();
  request->pending = !done && lastError_ == ERROR_IO_PENDING;
  if (done) bytesRead = read;
  return done;
}

bool Win32Platform::GetOverlappedResult(Handle device, Overlapped&,
                                        std::uint32_t& bytesTransferred) {
  const auto it = requests_.find(device);
  if (!IsOpenHandle(device) || it == requests_.end()) return Fail(ERROR_INVALID_HANDLE);
  DWORD transferred = 0;
  const BOOL done =
      ::GetOverlappedResult(ToSystem(device), &it->second->overlapped, &transferred, FALSE);
  lastError_ = ::GetLastError();
  if (!done) return false;
  it->second->pending = false;
  bytesTransferred = transferred;
  return true;
}

std::uint32_t Win32Platform::WaitForSingleObject(Handle event, std::uint32_t milliseconds) {
  if (!IsOpenHandle(event)) {
    Fail(ERROR_INVALID_HANDLE);
    return kWaitFailed;
  }
  const DWORD code = ::WaitForSingleObject(ToSystem(event), milliseconds);
  lastError_ = ::GetLastError();
  if (code == WAIT_OBJECT_0) {
    for (auto& [device, request] : requests_)
      if (request->pending && request->overlapped.hEvent == ToSystem(event) &&
          HasOverlappedIoCompleted(&request->overlapped))
        request->pending = false;
  }
  return code;
}

bool Win32Platform::CancelIo(Handle device) {
  if (!IsOpenHandle(device)) return Fail(ERROR_INVALID_HANDLE);
  const BOOL ok = ::CancelIo(ToSystem(device));
  const DWORD error = ::GetLastError();
  // The cancelled request still ends on its own time; until it has, the
  // system may write into the caller's buffer.
  AwaitRequest(device);
  lastError_ = error;
  return ok;
}

bool Win32Platform::ResetEvent(Handle event) {
  if (!IsOpenHandle(event)) return Fail(ERROR_INVALID_HANDLE);
  const BOOL ok = ::ResetEvent(ToSystem(event));
  lastError_ = ::GetLastError();
  return ok;
}

bool Win32Platform::FlushQueue(Handle device) {
  if (!IsOpenHandle(device)) return Fail(ERROR_INVALID_HANDLE);
  const BOOLEAN ok = ::HidD_FlushQueue(ToSystem(device));
  lastError_ = ::GetLastError();
  return ok;
}

bool Win32Platform::CloseHandle(Handle handle) {
  // A device information set is no kernel handle.
  if (!IsOpenHandle(handle) || sets_.contains(handle)) return Fail(ERROR_INVALID_HANDLE);
  if (const auto it = requests_.find(handle); it != requests_.end()) {
    if (it->second->pending) {
      ::CancelIo(ToSystem(handle));
      AwaitRequest(handle);
    }
    requests_.erase(it);
  }
  const BOOL ok = ::CloseHandle(ToSystem(handle));
  lastError_ = ::GetLastError();
  return ok;
}

std::uint32_t Win32Platform::FormatSystemMessage(std::uint32_t code, std::span<char> buffer) const {
  if (buffer.empty()) return 0;
  // FormatMessage takes no more than 64K.
  const auto size = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 0xFFFF));
  const DWORD stored = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, buffer.data(), size, nullptr);
  return stored < size ? stored : 0;
}

}  // namespace ql::hidlink::win32

namespace ql::hidlink {

std::unique_ptr<Platform> MakeSystemPlatform() {
  return std::make_unique<win32::Win32Platform>();
}

}  // namespace ql::hidlink
