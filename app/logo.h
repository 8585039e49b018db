// The kit's logo, 136 by 31 pixels, shown in the splash and dimming windows.
#pragma once

#include <QPixmap>

class QLabel;
class QWidget;

namespace ql::app {

QPixmap Logo();
// The picture control `Image1` showing the logo, at a place given in twips.
QLabel* NewLogoImage(QWidget* parent, int left, int top);

}  // namespace ql::app
