// English Windows system texts of the codes the simulation uses, word for word
// as FormatMessage gives them.
#include "hidlink/sim/sim_platform.h"

namespace ql::hidlink::sim {

std::string_view WindowsSystemText(std::uint32_t code) {
  switch (code) {
    case 0:
      return "The operation completed successfully.\r\n";
    case 2:
      return "The system cannot find the file specified.\r\n";
    case 5:
      return "Access is denied.\r\n";
    case 6:
      return "The handle is invalid.\r\n";
    case 31:
      return "A device attached to the system is not functioning.\r\n";
    case 87:
      return "The parameter is incorrect.\r\n";
    case 122:
      return "The data area passed to a system call is too small.\r\n";
    case 259:
      return "No more data is available.\r\n";
    case 997:
      return "Overlapped I/O operation is in progress.\r\n";
    case 1167:
      return "The device is not connected.\r\n";
    case 1784:
      return "The supplied user buffer is not valid for the requested operation.\r\n";
    default:
      return {};
  }
}

}  // namespace ql::hidlink::sim
