// The windows were drawn in twips; Qt places widgets in pixels. At 96 dots to
// the inch a pixel is 15 twips.
#pragma once

#include <QRect>
#include <QSize>

namespace ql::app {

constexpr int Px(int twips) {
  return (twips + 7) / 15;
}
inline QRect TwipsRect(int left, int top, int width, int height) {
  return {Px(left), Px(top), Px(width), Px(height)};
}
inline QSize TwipsSize(int width, int height) {
  return {Px(width), Px(height)};
}

}  // namespace ql::app
