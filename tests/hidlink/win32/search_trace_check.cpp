// Checks the standard error of `ql8810.exe --trace level N` run on a machine
// without the board, read from standard input: the search's trace in its
// order, as it was streamed, then the failure message, every interface opened, listed and closed,
// and every "  Result = " line carrying the system's own text, whatever its wording: that of some
// system error code, and the exact one where the code is certain.
#include <cstdint>
#include <iostream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "board/operator_messages.h"
#include "hidlink/text_helpers.h"
#include "hidlink/win32/win32_platform.h"

namespace ql::hidlink::win32 {
namespace {

constexpr std::uint32_t kAnyCode = ~0u;
const bool kX64 = sizeof(void*) == 8;

// A line matching the regular expression `line`, or for "@Name" the report of
// the call Name with the text of `code`.
struct Expected {
  std::string line;
  std::uint32_t code = kAnyCode;
};

// The HID class GUID is public: Wine's must be the same.
const std::vector<Expected> kHead = {
    {"@GetHidGuid"},
    {"  GUID for system HIDs: 4D1E55B2-F16F-11CF-88 CB 00 11 11 00 00 30 "},
    {"@SetupDiClassDevs"}};
const std::vector<Expected> kInterface = {
    {std::string("  cbSize = ") + (kX64 ? "32" : "28")},
    {"  InterfaceClassGuid.Data1 = 4D1E55B2"},
    {"  InterfaceClassGuid.Data2 = F16F"},
    {"  InterfaceClassGuid.Data3 = 11CF"},
    {"  Flags = [0-9A-F]+"},
    {"@SetupDiGetDeviceInterfaceDetail", 122},  // insufficient buffer
    {R"(  \(OK to say too small\))"},
    {"  Required buffer size for the data: [0-9]+"},
    {"@ Result of second call: "},
    {std::string("  MyDeviceInterfaceDetailData.cbSize: ") + (kX64 ? "8" : "5")},
    {"  Device pathname: "},
    {R"(    \\\\\?\\.+)"},
    {"@CreateFile"},
    {"  Returned handle: [0-9A-F]+h"},
    {"@HidD_GetAttributes"},
    {"  (HIDD_ATTRIBUTES structure filled without error|Error in filling HIDD_ATTRIBUTES "
     "structure)\\."},
    {"  Structure size: 12"},
    {"  Vendor ID: [0-9A-F]+"},
    {"  Product ID: [0-9A-F]+"},
    {"  Version Number: [0-9A-F]+"},
    {"@CloseHandle"}};
const std::vector<Expected> kTail = {
    {"@DestroyDeviceInfoList"}, {" Device not found\\."}, {std::string(board::kLinkFailedMessage)}};

std::vector<std::string> lines;
std::size_t at = 0;
Win32Platform platform;
std::set<std::string> systemTexts;

std::string Text(std::uint32_t code) {
  return SystemErrorText(platform, code);
}
std::string Line(std::size_t index) {
  return index < lines.size() ? lines[index] : "<end>";
}
bool Fault(const std::string& what) {
  std::cerr << "line " << at + 1 << " (" << Line(at) << "): " << what << '\n';
  return false;
}

bool Match(const std::vector<Expected>& expected) {
  for (const Expected& e : expected) {
    if (e.line[0] != '@') {
      if (!std::regex_match(Line(at), std::regex(e.line))) return Fault("expected " + e.line);
      ++at;
      continue;
    }
    const std::string name = e.line.substr(1);
    if (Line(at) != "" || Line(at + 1) != name) return Fault("expected the call " + name);
    at += 2;
    const std::string text = Line(at).starts_with("  Result = ") ? Line(at).substr(11) : "";
    if (e.code == kAnyCode ? !systemTexts.contains(text) : text != Text(e.code))
      return Fault(e.code == kAnyCode ? "not a system text"
                                      : "not the text of " + std::to_string(e.code));
    ++at;
  }
  return true;
}

// The number of interfaces listed; -1 after telling the first line out of
// place.
int Check() {
  if (!Match(kHead)) return -1;
  int index = 0;
  for (;; ++index) {
    const bool more = Line(at + 3) == "  DeviceInfoSet for device #" + std::to_string(index) + ": ";
    // 259: no more items.
    if (!Match({{"@SetupDiEnumDeviceInterfaces", more ? kAnyCode : 259}})) return -1;
    if (!more) break;
    ++at;
    if (!Match(kInterface)) return -1;
  }
  if (!Match(kTail)) return -1;
  return at == lines.size() || Fault("more lines than the search makes") ? index : -1;
}

}  // namespace
}  // namespace ql::hidlink::win32

int main() {
  using namespace ql::hidlink::win32;
  for (std::string line; std::getline(std::cin, line);)
    lines.push_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
  // Win32's system error codes end at 15999.
  for (std::uint32_t code = 0; code < 16000; ++code) systemTexts.insert(Text(code));
  systemTexts.erase("");
  const int interfaces = Check();
  if (interfaces < 0) return 1;
  std::cout << "search trace checked: " << interfaces
            << " interface(s) opened, listed and closed; every result is a system text\n";
  return 0;
}
