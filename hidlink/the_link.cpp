#include "hidlink/the_link.h"

#include <utility>

namespace ql::hidlink {
namespace {

std::unique_ptr<Platform>& ChosenPlatform() {
  static std::unique_ptr<Platform> chosen;
  return chosen;
}

std::unique_ptr<Link>& Instance() {
  static std::unique_ptr<Link> link;
  return link;
}

}  // namespace

bool UsePlatformForTheLink(std::unique_ptr<Platform> platform) {
  if (Instance()) return false;
  ChosenPlatform() = std::move(platform);
  return true;
}

Link& TheLink() {
  auto& link = Instance();
  if (!link) {
    auto platform = std::move(ChosenPlatform());
    if (!platform) platform = MakeSystemPlatform();
    link = std::make_unique<Link>(std::move(platform));
  }
  return *link;
}

}  // namespace ql::hidlink
