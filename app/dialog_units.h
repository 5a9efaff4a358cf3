#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace morvane::app {

// Positions in the dialog templates are dialog units of the dialog font, converted to pixels the
// way Windows converts them: one horizontal unit is a quarter of the font's average letter width,
// one vertical unit an eighth of its character height.
struct DialogUnits {
  int baseX = 0;  // (advance of the 52 letters a-z A-Z / 26 + 1) / 2, in pixels
  int baseY = 0;  // ascent + descent, in pixels

  // The base units of a font. A 12-pixel IPAPGothic gives 6 and 12 or close to it.
  static DialogUnits Of(const QFont& font);

  // x, y, width and height are each converted on their own, rounding as MulDiv does:
  // with base units 6 and 13, the rectangle 5, 5, 67, 8 becomes 8, 8, 101, 13 pixels.
  QRect ToPixels(int x, int y, int width, int height) const;
  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
};

// number * numerator / denominator computed in 64 bits and rounded half away from zero, as the
// Windows MulDiv does: MulDiv(67, 6, 4) is 101 (100.5 rounds up), MulDiv(-3, 1, 2) is -2.
// A zero denominator or a result beyond int gives -1.
int MulDiv(int number, int numerator, int denominator);

// Places a control of a dialog template at its rectangle (dialog units).
void PlaceControl(QWidget& control, const DialogUnits& units, int x, int y, int width, int height);

// The same for a label or a radio button whose whole text needs neededWidth pixels. The
// substitute fonts are a little wider than the original's bitmap font at this size, so a text
// that needs more room than its rectangle makes the control grow to the right until the whole
// text shows; its position and height stay.
void PlaceTextControl(QWidget& control, int neededWidth, const DialogUnits& units, int x, int y,
                      int width, int height);

// The dialogs' font, "ＭＳ Ｐゴシック" at 9 points (12 pixels at 96 DPI). The first call registers
// the fonts Debian has as its substitutes, metric-compatible first: IPAPGothic, then Noto Sans
// CJK JP, then VL PGothic, for the full-width and the ASCII family name alike.
QFont DialogFont();

}  // namespace morvane::app
