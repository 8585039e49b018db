#include "app/board_argument.h"

namespace ql::app {

BoardArgument BoardFromArguments(const QStringList& arguments) {
  BoardArgument result;
  bool given = false;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    QString text;
    if (arguments[i] == "--board") {
      if (i + 1 == arguments.size()) return {std::nullopt, "--board needs a selector"};
      text = arguments[++i];
    } else if (arguments[i].startsWith("--board=")) {
      text = arguments[i].mid(8);
    } else {
      continue;
    }
    if (given) return {std::nullopt, "--board given twice"};
    given = true;
    hidlink::ParsedSelector parsed = hidlink::ParseBoardSelector(text.toStdString());
    if (!parsed.selector) return {std::nullopt, "--board: " + parsed.error};
    result.selector = std::move(parsed.selector);
  }
  return result;
}

}  // namespace ql::app
