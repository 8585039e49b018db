// The kit's logo, 136 by 31 pixels, shown in the splash and dimming windows.
#pragma once

#include <QPixmap>

namespace ql::app {

QPixmap Logo();

}  // namespace ql::app
