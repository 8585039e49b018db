// What the link is told of the board it serves: the search's match and the
// values its load step sets.
#pragma once

#include "board/report_layout.h"
#include "hidlink/link.h"

namespace ql::board {

inline constexpr hidlink::BoardIdentity kBoardIdentity{
    BoardVendorID,
    BoardProductID,
    {kOutReportID, kInReportID, kAllReportLen, kRpt2Bytes, kRpt4Bytes, kRpt6Bytes, kRpt8Bytes,
     kRptBreakShort, kRptWakeup, kRptHostSpeed, kRptBreakLong, kRptPwmCycle, kUSBTimeOut,
     kReportHeaderLen},
};

}  // namespace ql::board
