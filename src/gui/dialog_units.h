#pragma once
#include <QFont>
#include <QRect>

namespace ravix::gui {

// The windows' tables are laid out in dialog units: a quarter of the dialog font's
// average character width across, an eighth of its character height down. Scaling by
// the font actually used keeps the texts in proportion to the boxes drawn for them.
struct DialogUnits {
  int baseX = 6;   // average character width, pixels
  int baseY = 13;  // character height, pixels

  // Base units as the dialog manager computes them: the mean width of the 52 letters,
  // rounded, and the font's line height.
  static DialogUnits ForFont(const QFont& font);

  int X(int du) const { return (du * baseX * 2 + 4) / 8; }
  int Y(int du) const { return (du * baseY * 2 + 8) / 16; }
  QRect ToPixels(int x, int y, int width, int height) const { return {X(x), Y(y), X(width), Y(height)}; }
};

}  // namespace ravix::gui
