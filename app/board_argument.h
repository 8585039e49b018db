// QL8810Eval --board SELECTOR: a desktop shortcut per kit on a bench with
// several, each naming its board as ql8810 does.
#pragma once

#include <QStringList>
#include <optional>
#include <string>

#include "hidlink/board_selector.h"

namespace ql::app {

struct BoardArgument {
  std::optional<hidlink::BoardSelector> selector;  // empty: the first board
  std::string error;  // one line for the operator when the arguments are bad
};

// Reads "--board SELECTOR" or "--board=SELECTOR" from the program's
// arguments (the first one its name); the others are Qt's.
BoardArgument BoardFromArguments(const QStringList& arguments);

}  // namespace ql::app
