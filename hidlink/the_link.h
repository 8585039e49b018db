// The one link of a run, created on first use.
#pragma once

#include <memory>

#include "hidlink/link.h"

namespace ql::hidlink {

// Chooses the platform the run's link will use; only before the first
// TheLink() call. Once the link exists it returns false and `platform` is
// dropped.
bool UsePlatformForTheLink(std::unique_ptr<Platform> platform);

// The run's link, on the chosen platform or else the machine's own.
Link& TheLink();

}  // namespace ql::hidlink
