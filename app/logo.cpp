#include "app/logo.h"

namespace ql::app {

QPixmap Logo() {
  return QPixmap(":/ql8810/logo.gif");
}

}  // namespace ql::app
