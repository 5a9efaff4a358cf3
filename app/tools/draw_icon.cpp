// Draws the application icon: a film strip beside a page of listing lines. Writes the scalable
// original and the two bitmaps the program embeds:
//   build/app/draw_icon app/resources
// gives morvane.svg, morvane-16.png and morvane-32.png.
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>
#include <vector>

namespace {

struct Shape {
  double x, y, width, height, radius;
  const char* color;
};

// On a 32 x 32 grid.
std::vector<Shape> IconShapes() {
  std::vector<Shape> shapes = {
      {1, 1, 30, 30, 5, "#23466e"},  // background
      {4, 4, 8, 24, 1, "#f0a030"},   // film strip
      {14, 5, 14, 22, 1, "#ffffff"}, // page
  };
  for (int hole = 0; hole < 5; ++hole) {
    shapes.push_back({5, 6.0 + hole * 4.5, 2, 2.5, 0.5, "#23466e"});
    shapes.push_back({9, 6.0 + hole * 4.5, 2, 2.5, 0.5, "#23466e"});
  }
  const double lineWidths[] = {10, 7, 10, 8};
  for (int line = 0; line < 4; ++line) {
    shapes.push_back({16, 8.5 + line * 4.5, lineWidths[line], 2, 0, "#23466e"});
  }
  return shapes;
}

QString Svg(const std::vector<Shape>& shapes) {
  QString text = QStringLiteral(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" viewBox=\"0 0 32 32\">\n");
  for (const Shape& s : shapes) {
    text += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                .arg(s.x).arg(s.y).arg(s.width).arg(s.height).arg(s.radius)
                .arg(QString::fromLatin1(s.color));
  }
  text += QStringLiteral("</svg>\n");
  return text;
}

QImage Bitmap(const std::vector<Shape>& shapes, int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);
  painter.setPen(Qt::NoPen);
  for (const Shape& s : shapes) {
    painter.setBrush(QColor(QString::fromLatin1(s.color)));
    painter.drawRoundedRect(QRectF(s.x, s.y, s.width, s.height), s.radius, s.radius);
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw_icon OUTPUT_FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
  const std::vector<Shape> shapes = IconShapes();
  QFile svg(folder + QStringLiteral("morvane.svg"));
  if (!svg.open(QIODevice::WriteOnly) || svg.write(Svg(shapes).toUtf8()) < 0) {
    std::fprintf(stderr, "draw_icon: cannot write morvane.svg\n");
    return 1;
  }
  for (int size : {16, 32}) {
    if (!Bitmap(shapes, size).save(folder + QStringLiteral("morvane-%1.png").arg(size))) {
      std::fprintf(stderr, "draw_icon: cannot write morvane-%d.png\n", size);
      return 1;
    }
  }
  return 0;
}
