// The local time as watch and serve's journal write it: 2026-12-07T12:05:30.
#pragma once

#include <string>

namespace ql::cli {

std::string LocalTimeText();

}  // namespace ql::cli
