#include "app/dialog_units.h"

#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace morvane::app {

namespace {

const QString kDialogFamily = QStringLiteral("ＭＳ Ｐゴシック");
const QString kDialogFamilyAscii = QStringLiteral("MS PGothic");

}  // namespace

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) {
    return -1;
  }
  const std::int64_t product = std::int64_t{number} * numerator;
  const std::int64_t magnitude = (std::llabs(product) + std::llabs(denominator) / 2) /
                                 std::llabs(denominator);
  const bool negative = (product < 0) != (denominator < 0);
  if (magnitude > INT_MAX) {
    return -1;
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

DialogUnits DialogUnits::Of(const QFont& font) {
  const QFontMetrics metrics(font);
  // averageCharWidth() would count the font's CJK glyphs and lineSpacing() adds the leading;
  // Windows uses neither.
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
  return DialogUnits{(letters / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
  return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

int DialogUnits::ToPixelsX(int units) const { return MulDiv(units, baseX, 4); }

int DialogUnits::ToPixelsY(int units) const { return MulDiv(units, baseY, 8); }

void PlaceControl(QWidget& control, const DialogUnits& units, int x, int y, int width, int height) {
  control.setGeometry(units.ToPixels(x, y, width, height));
}

void PlaceTextControl(QWidget& control, int neededWidth, const DialogUnits& units, int x, int y,
                      int width, int height) {
  QRect rect = units.ToPixels(x, y, width, height);
  rect.setWidth(std::max(rect.width(), neededWidth));
  control.setGeometry(rect);
}

QFont DialogFont() {
  static const bool registered = [] {
    const QStringList substitutes = {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                                     QStringLiteral("VL PGothic")};
    QFont::insertSubstitutions(kDialogFamily, substitutes);
    QFont::insertSubstitutions(kDialogFamilyAscii, substitutes);
    return true;
  }();
  static_cast<void>(registered);
  QFont font(kDialogFamily);
  font.setPixelSize(12);
  return font;
}

}  // namespace morvane::app
