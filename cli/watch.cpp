// ql8810 watch: a line each time a board is plugged in or unplugged. Each
// change the system tells of is answered by one look at every interface, so
// a storm of plugs costs one look; the boards are told apart by path, so one
// that went and came back at the same path within one storm never left.
#include <ctime>
#include <map>
#include <ostream>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/list_words.h"
#include "cli/local_time.h"
#include "hidlink/interface_list.h"
#include "hidlink/text_helpers.h"

namespace ql::cli {
namespace {

constexpr std::uint32_t kForever = 0xFFFFFFFF;

using Boards = std::map<std::string, hidlink::InterfaceEntry>;  // by path

Boards BoardsPresent(hidlink::Link& link) {
  Boards boards;
  for (auto& entry : hidlink::ListInterfaces(link.platform()))
    if (entry.Is(link.BoardVendorID(), link.BoardProductID()))
      boards.emplace(entry.path, std::move(entry));
  return boards;
}

void Tell(std::ostream& out, bool json, std::string_view what, const hidlink::InterfaceEntry& b) {
  if (json) {
    out << "{\"time\": " << JsonString(LocalTimeText()) << ", \"event\": \"" << what
        << "\", \"serial\": " << JsonString(b.serial) << ", \"port\": " << JsonString(b.port)
        << ", \"path\": " << JsonString(b.path) << "}\n";
  } else {
    out << LocalTimeText() << ' ' << what << ' ' << ListWord(b.serial) << ' ' << ListWord(b.port)
        << ' ' << b.path << '\n';
  }
  out.flush();
}

}  // namespace

int RunWatch(hidlink::Link& link, Streams io, bool json, std::uint64_t count) {
  hidlink::Platform& platform = link.platform();
  platform.WaitForDeviceChange(0);  // starts watching before the first look
  Boards before = BoardsPresent(link);
  std::uint64_t told = 0;
  while (count == 0 || told < count) {
    if (!platform.WaitForDeviceChange(kForever)) {
      if (platform.LastError() != 0) {
        io.err << "ql8810: cannot watch for boards: "
               << hidlink::SystemErrorText(platform, platform.LastError()) << '\n';
        return 1;
      }
      continue;
    }
    Boards now = BoardsPresent(link);
    for (const auto& [path, board] : before)
      if (!now.contains(path) && (count == 0 || told < count)) {
        Tell(io.out, json, "unplugged", board);
        ++told;
      }
    for (const auto& [path, board] : now)
      if (!before.contains(path) && (count == 0 || told < count)) {
        Tell(io.out, json, "plugged", board);
        ++told;
      }
    before = std::move(now);
  }
  return 0;
}

}  // namespace ql::cli
