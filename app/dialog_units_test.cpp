#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QTest>

#include <climits>

#include "app/dialog_units.h"

namespace morvane::app {

class DialogUnitsTest : public QObject {
  Q_OBJECT

 private slots:
  void MulDivRoundsHalfAwayFromZero() {
    QCOMPARE(MulDiv(67, 6, 4), 101);  // 100.5
    QCOMPARE(MulDiv(5, 6, 4), 8);     // 7.5
    QCOMPARE(MulDiv(3, 13, 8), 5);    // 4.875
    QCOMPARE(MulDiv(9, 13, 8), 15);   // 14.625
    QCOMPARE(MulDiv(1, 6, 4), 2);     // 1.5
    QCOMPARE(MulDiv(7, 6, 4), 11);    // 10.5
    QCOMPARE(MulDiv(4, 13, 8), 7);    // 6.5
    QCOMPARE(MulDiv(-3, 1, 2), -2);   // -1.5
    QCOMPARE(MulDiv(3, -1, 2), -2);
    QCOMPARE(MulDiv(-3, -1, 2), 2);
    QCOMPARE(MulDiv(0, 6, 4), 0);
  }

  void MulDivWorksInSixtyFourBitsAndRefusesWhatDoesNotFit() {
    QCOMPARE(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    QCOMPARE(MulDiv(1 << 20, 1 << 20, 1 << 20), 1 << 20);
    QCOMPARE(MulDiv(INT_MAX, 2, 1), -1);
    QCOMPARE(MulDiv(5, 6, 0), -1);
  }

  void EachCoordinateIsConvertedOnItsOwn() {
    const DialogUnits units{6, 13};
    QCOMPARE(units.ToPixels(5, 5, 67, 8), QRect(8, 8, 101, 13));
    // Width and height are not derived from converted corners: 25 + 123 units gives 38 + 185
    // pixels, while the right edge at 148 units is 222 pixels.
    QCOMPARE(units.ToPixels(25, 84, 123, 12), QRect(38, 137, 185, 20));
    QCOMPARE(units.ToPixelsX(148), 222);
  }

  void DialogFontIsIpaPGothicAtTwelvePixels() {
    const QFont font = DialogFont();
    QCOMPARE(font.family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(font.pixelSize(), 12);
    QCOMPARE(QFontInfo(font).family(), QStringLiteral("IPAPGothic"));
    QFont ascii(QStringLiteral("MS PGothic"));
    ascii.setPixelSize(12);
    QCOMPARE(QFontInfo(ascii).family(), QStringLiteral("IPAPGothic"));
  }

  // Measured from the letters and the glyph box, not from averageCharWidth() (which counts the
  // CJK glyphs) or lineSpacing() (which adds the leading).
  void BaseUnitsOfTheDialogFontComeFromLettersAndGlyphHeight() {
    const QFont font = DialogFont();
    const QFontMetrics metrics(font);
    const DialogUnits units = DialogUnits::Of(font);
    QCOMPARE(units.baseY, metrics.ascent() + metrics.descent());
    QVERIFY(units.baseX >= 5 && units.baseX <= 7);
    QVERIFY(units.baseY >= 12 && units.baseY <= 14);
  }
};

}  // namespace morvane::app

QTEST_MAIN(morvane::app::DialogUnitsTest)
#include "dialog_units_test.moc"
