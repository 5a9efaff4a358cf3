// Draws the application icon: a film strip beside a page of listing lines. Writes the scalable
// original, the two bitmaps the Qt program embeds and the Windows icon:
//   build/app/draw_icon app/resources
// gives morvane.svg, morvane-16.png, morvane-32.png and morvane.ico (16, 24, 32, 48 and 64
// pixels).
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdint>
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

void PutU16(QByteArray& out, int value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(QByteArray& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.append(static_cast<char>((value >> shift) & 0xFF));
  }
}

// One image of a .ico: a 32-bit BITMAPINFOHEADER image (height doubled for the mask), its rows
// bottom-up in BGRA, then the 1-bit mask (set where the image is transparent), rows padded to
// 4 bytes. Windows XP and later use the alpha channel; the mask serves older readers.
QByteArray IcoImage(const QImage& image) {
  const int size = image.width();
  const int maskStride = (size + 31) / 32 * 4;
  QByteArray out;
  PutU32(out, 40);
  PutU32(out, static_cast<std::uint32_t>(size));
  PutU32(out, static_cast<std::uint32_t>(2 * size));
  PutU16(out, 1);   // planes
  PutU16(out, 32);  // bits per pixel
  PutU32(out, 0);   // BI_RGB
  PutU32(out, static_cast<std::uint32_t>(size * size * 4 + size * maskStride));
  for (int i = 0; i < 4; ++i) {
    PutU32(out, 0);  // resolution and palette: unused
  }
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      PutU32(out, image.pixel(x, y));  // 0xAARRGGBB, stored as B, G, R, A
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    QByteArray row(maskStride, '\0');
    for (int x = 0; x < size; ++x) {
      if (qAlpha(image.pixel(x, y)) == 0) {
        row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
      }
    }
    out.append(row);
  }
  return out;
}

// The icon directory (reserved 0, type 1, count), one 16-byte entry per image, then the images.
QByteArray Ico(const std::vector<Shape>& shapes, const std::vector<int>& sizes) {
  std::vector<QByteArray> images;
  for (int size : sizes) {
    images.push_back(IcoImage(Bitmap(shapes, size)));
  }
  QByteArray out;
  PutU16(out, 0);
  PutU16(out, 1);
  PutU16(out, static_cast<int>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.append(static_cast<char>(sizes[i]));  // width
    out.append(static_cast<char>(sizes[i]));  // height
    out.append('\0');                         // no palette
    out.append('\0');
    PutU16(out, 1);   // planes
    PutU16(out, 32);  // bits per pixel
    PutU32(out, static_cast<std::uint32_t>(images[i].size()));
    PutU32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const QByteArray& image : images) {
    out.append(image);
  }
  return out;
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
  QFile ico(folder + QStringLiteral("morvane.ico"));
  if (!ico.open(QIODevice::WriteOnly) || ico.write(Ico(shapes, {16, 24, 32, 48, 64})) < 0) {
    std::fprintf(stderr, "draw_icon: cannot write morvane.ico\n");
    return 1;
  }
  return 0;
}
