#include "cli/access_hint.h"

#include <ostream>

#include "hidlink/interface_list.h"

#if defined(__linux__)
#include <unistd.h>

#include <cerrno>
#endif

namespace ql::cli {

bool ExplainMissingAccess(hidlink::Link& link, std::ostream& err) {
#if defined(__linux__)
  for (const auto& entry : hidlink::ListInterfaces(link.platform())) {
    if (!entry.Is(link.BoardVendorID(), link.BoardProductID()) || entry.path.empty()) continue;
    if (::access(entry.path.c_str(), R_OK | W_OK) == 0 || (errno != EACCES && errno != EPERM))
      continue;
    err << "ql8810: permission denied: the board is at " << entry.path
        << " but this user may not open it.\n"
        << "Install the udev rule " << kUdevRuleName
        << " (see ql8810(1)), then unplug the board and plug it in again.\n";
    return true;
  }
#else
  (void)link;
  (void)err;
#endif
  return false;
}

}  // namespace ql::cli
