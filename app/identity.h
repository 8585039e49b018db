// Who the program says it is.
#pragma once

namespace ql::app {

// Also the caption of every message box.
inline constexpr const char* kProgramTitle = "QL8810 Eval Kit";
inline constexpr const char* kMainWindowTitle = "QL8810 Evaluation System";

// From the project's version in CMake.
inline constexpr int kVersionMajor = QL_VERSION_MAJOR;
inline constexpr int kVersionMinor = QL_VERSION_MINOR;
inline constexpr int kVersionRevision = QL_VERSION_PATCH;

}  // namespace ql::app
