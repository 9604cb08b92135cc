// Draws the program's pictures: the thank-you picture (bitmap 161), the maker's
// logo for the About box (bitmap 160) and the application icon (icon 128) in
// eight pixel sizes and as SVG. Run through scripts/make_pictures.sh; the results are committed.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <cstdio>

namespace {

const QColor kNavy(12, 34, 64);
const QColor kBlue(22, 86, 160);
const QColor kTeal(0, 168, 170);
const QColor kAmber(255, 184, 28);

QFont Sans(double pixelSize, int weight = QFont::Normal) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(qRound(pixelSize));
  font.setWeight(QFont::Weight(weight));
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

// The maker's mark: a ring broken by a rising signal edge.
void DrawMark(QPainter& p, QPointF centre, double radius, const QColor& ring,
              const QColor& edge) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QPen pen(ring, radius * 0.28, Qt::SolidLine, Qt::FlatCap);
  p.setPen(pen);
  const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  p.drawArc(box, 40 * 16, 280 * 16);
  QPen signal(edge, radius * 0.22, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(signal);
  const double r = radius;
  QPainterPath path(QPointF(centre.x() - 0.55 * r, centre.y() + 0.35 * r));
  path.lineTo(centre.x() - 0.05 * r, centre.y() + 0.35 * r);
  path.lineTo(centre.x() - 0.05 * r, centre.y() - 0.35 * r);
  path.lineTo(centre.x() + 1.05 * r, centre.y() - 0.35 * r);
  p.drawPath(path);
  p.restore();
}

QImage Logo() {
  QImage image(120, 42, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  DrawMark(p, QPointF(19, 21), 12.5, kBlue, kTeal);
  p.setPen(kNavy);
  p.setFont(Sans(21, QFont::Bold));
  p.drawText(QRectF(38, 4, 82, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Orvena"));
  p.setPen(QColor(90, 104, 120));
  QFont small = Sans(8);
  small.setLetterSpacing(QFont::AbsoluteSpacing, 0.3);
  p.setFont(small);
  p.drawText(QRectF(39, 27, 81, 11), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("BUS ENGINEERING"));
  return image;
}

// The icon's shapes at one size, shared by the pixel sizes and the scalable form.
struct IconShape {
  QRectF tile;
  double corner;
  double border;
  QColor top;  // the tile's gradient runs from its top left to its bottom right
  QColor bottom;
  QPolygonF wave;
  double waveWidth;
  bool sharp;  // whole pixels and flat caps: the 16 px form
  QPointF dot;
  double dotRadius;
};

IconShape IconShapeFor(int size) {
  IconShape shape;
  const double s = size;
  shape.sharp = size <= 16;
  const double inset = shape.sharp ? 0.5 : s * 0.04;
  shape.tile = QRectF(inset, inset, s - 2 * inset, s - 2 * inset);
  shape.corner = s * 0.18;
  shape.border = shape.sharp ? 1.0 : s / 32.0;
  shape.top = kBlue.lighter(115);
  shape.bottom = kNavy;
  // One CAN bit: a low stretch, a rising edge, a high stretch, a falling edge.
  shape.waveWidth = shape.sharp ? 2.0 : s * 0.085;
  const double low = s * 0.68;
  const double high = s * 0.32;
  if (shape.sharp) {
    // Whole pixels keep the small icon sharp.
    shape.wave << QPointF(3, 11) << QPointF(6, 11) << QPointF(6, 5) << QPointF(10, 5)
               << QPointF(10, 11) << QPointF(13, 11);
    shape.dot = QPointF(8.5, 5.0);
    shape.dotRadius = 1.6;
  } else {
    shape.wave << QPointF(s * 0.16, low) << QPointF(s * 0.36, low) << QPointF(s * 0.36, high)
               << QPointF(s * 0.64, high) << QPointF(s * 0.64, low) << QPointF(s * 0.84, low);
    // The sample point, in amber.
    shape.dot = QPointF(s * 0.55, high);
    shape.dotRadius = s * 0.07;
  }
  return shape;
}

QImage Icon(int size) {
  const IconShape shape = IconShapeFor(size);
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(shape.tile.topLeft(), shape.tile.bottomRight());
  fill.setColorAt(0, shape.top);
  fill.setColorAt(1, shape.bottom);
  p.setPen(QPen(kNavy.darker(130), shape.border));
  p.setBrush(fill);
  p.drawRoundedRect(shape.tile, shape.corner, shape.corner);
  p.setPen(QPen(Qt::white, shape.waveWidth, Qt::SolidLine,
                shape.sharp ? Qt::FlatCap : Qt::RoundCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(shape.wave);
  p.setPen(Qt::NoPen);
  p.setBrush(kAmber);
  p.drawEllipse(shape.dot, shape.dotRadius, shape.dotRadius);
  return image;
}

// The same icon as SVG, for desktops that scale it to any size.
QByteArray IconSvg() {
  const int size = 128;
  const IconShape shape = IconShapeFor(size);
  const auto n = [](double v) { return QString::number(v, 'g', 6); };
  QString points;
  for (const QPointF& point : shape.wave)
    points += (points.isEmpty() ? QStringLiteral("M ") : QStringLiteral(" L ")) + n(point.x()) +
              QLatin1Char(' ') + n(point.y());
  const QString svg =
      QStringLiteral(
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
          "viewBox=\"0 0 %1 %1\">\n"
          "  <defs>\n"
          "    <linearGradient id=\"tile\" gradientUnits=\"userSpaceOnUse\" "
          "x1=\"%2\" y1=\"%3\" x2=\"%4\" y2=\"%5\">\n"
          "      <stop offset=\"0\" stop-color=\"%6\"/>\n"
          "      <stop offset=\"1\" stop-color=\"%7\"/>\n"
          "    </linearGradient>\n"
          "  </defs>\n")
          .arg(size)
          .arg(n(shape.tile.left()), n(shape.tile.top()), n(shape.tile.right()),
               n(shape.tile.bottom()), shape.top.name(), shape.bottom.name()) +
      QStringLiteral(
          "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" ry=\"%5\" "
          "fill=\"url(#tile)\" stroke=\"%6\" stroke-width=\"%7\"/>\n")
          .arg(n(shape.tile.left()), n(shape.tile.top()), n(shape.tile.width()),
               n(shape.tile.height()), n(shape.corner), kNavy.darker(130).name(),
               n(shape.border)) +
      QStringLiteral(
          "  <path d=\"%1\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"%2\" "
          "stroke-linecap=\"round\" stroke-linejoin=\"miter\"/>\n"
          "  <circle cx=\"%3\" cy=\"%4\" r=\"%5\" fill=\"%6\"/>\n"
          "</svg>\n")
          .arg(points, n(shape.waveWidth), n(shape.dot.x()), n(shape.dot.y()),
               n(shape.dotRadius), kAmber.name());
  return svg.toUtf8();
}

// The thank-you picture. Its window shows 515 x 269 of it centred, so the top
// and bottom 11 rows hold only background, and the lower right corner stays calm
// for the window's Close button.
QImage ThankYou() {
  const int width = 515;
  const int height = 291;
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  QLinearGradient sky(0, 0, width, height);
  sky.setColorAt(0, QColor(16, 44, 84));
  sky.setColorAt(0.6, kNavy);
  sky.setColorAt(1, QColor(6, 20, 40));
  p.fillRect(image.rect(), sky);
  QRadialGradient glow(QPointF(width * 0.78, height * 0.2), width * 0.6);
  glow.setColorAt(0, QColor(0, 168, 170, 70));
  glow.setColorAt(1, QColor(0, 168, 170, 0));
  p.fillRect(image.rect(), glow);

  // A faint grid of time quanta behind everything.
  p.setPen(QPen(QColor(255, 255, 255, 14), 1));
  for (int x = 0; x < width; x += 16) p.drawLine(x, 0, x, height);
  for (int y = 3; y < height; y += 16) p.drawLine(0, y, width, y);

  // One nominal bit time split into its segments, drawn as a timing diagram.
  const double left = 40;
  const double right = 475;
  const double top = 168;
  const double lane = 26;
  struct Segment {
    const char* name;
    int quanta;
    QColor colour;
  };
  const Segment segments[] = {
      {"SYNC", 1, QColor(120, 140, 170)},
      {"PROP", 5, kBlue.lighter(130)},
      {"PHASE 1", 5, kTeal},
      {"PHASE 2", 5, QColor(70, 190, 140)},
  };
  const double quantum = (right - left) / 16.0;
  double x = left;
  for (const Segment& s : segments) {
    p.setFont(Sans(s.quanta == 1 ? 8 : 10, QFont::Bold));
    const QRectF box(x, top, s.quanta * quantum, lane);
    QColor fill = s.colour;
    fill.setAlpha(150);
    p.setPen(QPen(s.colour.lighter(140), 1));
    p.setBrush(fill);
    p.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, QString::fromLatin1(s.name));
    x += s.quanta * quantum;
  }
  // Quantum ticks under the segments.
  p.setPen(QPen(QColor(255, 255, 255, 110), 1));
  for (int q = 0; q <= 16; ++q) {
    const double tx = left + q * quantum;
    p.drawLine(QPointF(tx, top + lane + 2), QPointF(tx, top + lane + 6));
  }
  // The bus signal above the segments: recessive, dominant edge, sampled bit.
  QPen signal(QColor(230, 240, 255), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
  p.setPen(signal);
  p.setBrush(Qt::NoBrush);
  QPainterPath bus(QPointF(18, top - 34));
  bus.lineTo(left, top - 34);
  bus.lineTo(left + 4, top - 12);
  bus.lineTo(right, top - 12);
  bus.lineTo(right + 4, top - 34);
  bus.lineTo(497, top - 34);
  p.drawPath(bus);
  // Sample point at 11 of 16 quanta (68.75 %).
  const double sample = left + 11 * quantum;
  p.setPen(QPen(kAmber, 1.5, Qt::DashLine));
  p.drawLine(QPointF(sample, top - 44), QPointF(sample, top + lane + 8));
  p.setPen(Qt::NoPen);
  p.setBrush(kAmber);
  p.drawEllipse(QPointF(sample, top - 12), 4.5, 4.5);
  p.setPen(kAmber);
  p.setFont(Sans(10, QFont::Bold));
  p.drawText(QRectF(sample + 8, top - 50, 140, 14), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("sample point 68.8 %"));
  p.setPen(QColor(200, 214, 235));
  p.setFont(Sans(10));
  p.drawText(QRectF(left, top + lane + 8, right - left, 14), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("1 bit = 16 time quanta"));

  // Title block.
  p.setPen(Qt::white);
  p.setFont(Sans(30, QFont::Bold));
  p.drawText(QRectF(36, 22, 440, 40), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Thank you for using"));
  QFont name = Sans(40, QFont::Bold);
  p.setFont(name);
  const QFontMetricsF metrics(name);
  const QString product = QStringLiteral("Kelvane");
  p.setPen(QColor(120, 220, 222));
  p.drawText(QRectF(36, 58, 440, 50), Qt::AlignLeft | Qt::AlignVCenter, product);
  p.setPen(QColor(200, 214, 235));
  p.setFont(Sans(13));
  p.drawText(QRectF(36 + metrics.horizontalAdvance(product) + 14, 72, 280, 30),
             Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Version 1.1"));
  p.setFont(Sans(12));
  p.drawText(QRectF(38, 104, 440, 20), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("CAN bit timing for SJA1000 controllers: BTR0 / BTR1 in one click"));

  // Maker's line at the bottom left, clear of the Close button.
  DrawMark(p, QPointF(48, 246), 9, QColor(120, 220, 222), Qt::white);
  p.setPen(Qt::white);
  p.setFont(Sans(15, QFont::Bold));
  p.drawText(QRectF(64, 234, 120, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Orvena"));
  p.setPen(QColor(170, 186, 210));
  p.setFont(Sans(10));
  p.drawText(QRectF(140, 234, 280, 24), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("www.orvena.example  \u00b7  support@orvena.example"));
  p.end();
  // The picture is kept at 16 bits per pixel; dithering hides the steps of the gradient.
  return image.convertToFormat(QImage::Format_RGB16, Qt::DiffuseDither)
      .convertToFormat(QImage::Format_RGB32);
}

bool Save(const QImage& image, const QString& path) {
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictures <resources folder>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.mkpath(QStringLiteral("bitmaps")) || !out.mkpath(QStringLiteral("icons"))) return 1;
  bool ok = Save(ThankYou(), out.filePath(QStringLiteral("bitmaps/161.png")));
  ok = Save(Logo().convertToFormat(QImage::Format_RGB888), out.filePath(QStringLiteral("bitmaps/160.png"))) && ok;
  // The window uses 16, 32 and 48 px; the desktop's icon theme takes them all.
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    ok = Save(Icon(size), out.filePath(QStringLiteral("icons/128-%1.png").arg(size))) && ok;
  QFile svg(out.filePath(QStringLiteral("icons/128.svg")));
  if (svg.open(QIODevice::WriteOnly) && svg.write(IconSvg()) > 0 && svg.flush()) {
    std::printf("%s scalable\n", qPrintable(svg.fileName()));
  } else {
    std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(svg.fileName()));
    ok = false;
  }
  return ok ? 0 : 1;
}
