#include "app/logo.h"

#include <QLabel>

#include "app/twips.h"

namespace ql::app {

QPixmap Logo() {
  return QPixmap(":/ql8810/logo.gif");
}

QLabel* NewLogoImage(QWidget* parent, int left, int top) {
  auto* image = new QLabel(parent);
  image->setObjectName("Image1");
  image->setPixmap(Logo());
  image->setGeometry(TwipsRect(left, top, 2040, 465));
  return image;
}

}  // namespace ql::app
