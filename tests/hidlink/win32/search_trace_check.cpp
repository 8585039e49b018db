// Checks the standard error of `ql8810.exe --trace level N` run on a machine
// without the board, read from standard input: the failure message, then the
// search's trace in its order, every interface opened, listed and closed, and
// every "  Result = " line carrying the system's own text.
//
// The texts are the system's, whatever its language or wording: each must be
// the text of some system error code, and the exact one where the code is
// certain.
#include <cstdint>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "board/operator_messages.h"
#include "hidlink/text_helpers.h"
#include "hidlink/win32/win32_platform.h"

namespace {

using ql::hidlink::HexByteText;
using ql::hidlink::HexText;

constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kNoMoreItems = 259;
// The system error codes of Win32 and their texts.
constexpr std::uint32_t kLastSystemErrorCode = 15999;

class TraceCheck {
 public:
  TraceCheck(std::vector<std::string> lines, ql::hidlink::win32::Win32Platform& platform)
      : lines_(std::move(lines)), platform_(platform) {
    for (std::uint32_t code = 0; code <= kLastSystemErrorCode; ++code) {
      const std::string text = ql::hidlink::SystemErrorText(platform_, code);
      if (!text.empty()) codesOfText_.emplace(text, code);
    }
  }

  void Run() {
    Line(std::string(ql::board::kLinkFailedMessage));
    Call("GetHidGuid");
    const ql::hidlink::Guid hid = platform_.GetHidGuid();
    Line("  GUID for system HIDs: " + HexText(hid.Data1) + "-" + HexText(hid.Data2) + "-" +
         HexText(hid.Data3) + "-" + HexByteText(hid.Data4, 8));
    Call("SetupDiClassDevs");
    for (std::uint32_t index = 0; Ok(); ++index) {
      const std::set<std::uint32_t> codes = Call("SetupDiEnumDeviceInterfaces");
      if (Next() != "  DeviceInfoSet for device #" + std::to_string(index) + ": ") {
        if (!codes.contains(kNoMoreItems))
          Fault("the search must end where the system has no more items");
        break;
      }
      Interface(hid);
    }
    Call("DestroyDeviceInfoList");
    Line(" Device not found.");
    if (at_ != lines_.size()) Fault("more lines than the search makes");
  }

  bool Ok() const { return faults_ == 0; }
  int Interfaces() const { return interfaces_; }

 private:
  void Interface(const ql::hidlink::Guid& hid) {
    ++at_;
    Line("  cbSize = " + std::to_string(sizeof(void*) == 8 ? 32 : 28));
    Line("  InterfaceClassGuid.Data1 = " + HexText(hid.Data1));
    Line("  InterfaceClassGuid.Data2 = " + HexText(hid.Data2));
    Line("  InterfaceClassGuid.Data3 = " + HexText(hid.Data3));
    Prefix("  Flags = ");
    if (!Call("SetupDiGetDeviceInterfaceDetail").contains(kInsufficientBuffer))
      Fault("the first detail query must report the insufficient buffer");
    Line("  (OK to say too small)");
    Prefix("  Required buffer size for the data: ");
    Call(" Result of second call: ");
    Line("  MyDeviceInterfaceDetailData.cbSize: " +
         std::to_string(platform_.DetailDataFixedSize()));
    Line("  Device pathname: ");
    Prefix("    \\\\?\\");
    Call("CreateFile");
    const std::string handle = Prefix("  Returned handle: ");
    if (handle.empty() || handle.back() != 'h') Fault("a handle is shown in hex, then h");
    Call("HidD_GetAttributes");
    const std::string filled = Next();
    if (filled != "  HIDD_ATTRIBUTES structure filled without error." &&
        filled != "  Error in filling HIDD_ATTRIBUTES structure.")
      Fault("the attribute query's outcome");
    ++at_;
    Line("  Structure size: 12");
    const std::string vendor = Prefix("  Vendor ID: ");
    const std::string product = Prefix("  Product ID: ");
    Prefix("  Version Number: ");
    if (vendor == "483" && product == "3") Fault("the board cannot be on this machine");
    Call("CloseHandle");
    ++interfaces_;
  }

  std::string Next() const { return at_ < lines_.size() ? lines_[at_] : std::string("<end>"); }

  // Only the first fault is told: the lines after it are out of step.
  void Fault(const std::string& what) { FaultAt(at_, what); }
  void FaultAt(std::size_t index, const std::string& what) {
    if (faults_++ > 0) return;
    const std::string line = index < lines_.size() ? lines_[index] : "<end>";
    std::cerr << "line " << index + 1 << " (" << line << "): " << what << '\n';
  }

  void Line(const std::string& expected) {
    if (!Ok()) return;
    if (Next() != expected) Fault("expected \"" + expected + "\"");
    ++at_;
  }

  // The rest of a line that starts with `prefix`.
  std::string Prefix(const std::string& prefix) {
    if (!Ok()) return {};
    const std::string line = Next();
    if (line.rfind(prefix, 0) != 0) {
      Fault("expected a line starting \"" + prefix + "\"");
      return {};
    }
    ++at_;
    return line.substr(prefix.size());
  }

  // A call report; the codes whose text it shows.
  std::set<std::uint32_t> Call(const std::string& name) {
    Line("");
    Line(name);
    const std::size_t resultLine = at_;
    const std::string text = Prefix("  Result = ");
    if (!Ok()) return {};
    std::set<std::uint32_t> codes;
    for (auto [it, end] = codesOfText_.equal_range(text); it != end; ++it) codes.insert(it->second);
    if (codes.empty()) FaultAt(resultLine, "not a system text: \"" + text + "\"");
    return codes;
  }

  std::vector<std::string> lines_;
  ql::hidlink::win32::Win32Platform& platform_;
  std::multimap<std::string, std::uint32_t> codesOfText_;
  std::size_t at_ = 0;
  int faults_ = 0;
  int interfaces_ = 0;
};

}  // namespace

int main() {
  std::vector<std::string> lines;
  for (std::string line; std::getline(std::cin, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  ql::hidlink::win32::Win32Platform platform;
  TraceCheck check(std::move(lines), platform);
  check.Run();
  if (!check.Ok()) return 1;
  std::cout << "search trace checked: " << check.Interfaces()
            << " interface(s) opened, listed and closed; every result is a system text\n";
  return 0;
}
