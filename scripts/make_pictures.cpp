// Draws the program's pictures: the thank-you picture (bitmap 161), the maker's
// logo for the About box (bitmap 160) and the application icon (icon 128) in
// three sizes. Run through scripts/make_pictures.sh; the results are committed.

#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
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

QImage Icon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  const double inset = size <= 16 ? 0.5 : s * 0.04;
  const QRectF tile(inset, inset, s - 2 * inset, s - 2 * inset);
  QLinearGradient fill(tile.topLeft(), tile.bottomRight());
  fill.setColorAt(0, kBlue.lighter(115));
  fill.setColorAt(1, kNavy);
  p.setPen(QPen(kNavy.darker(130), size <= 16 ? 1.0 : s / 32.0));
  p.setBrush(fill);
  p.drawRoundedRect(tile, s * 0.18, s * 0.18);

  // One CAN bit: a low stretch, a rising edge, a high stretch, a falling edge.
  const double w = size <= 16 ? 2.0 : s * 0.085;
  QPen wave(Qt::white, w, Qt::SolidLine, size <= 16 ? Qt::FlatCap : Qt::RoundCap,
            Qt::MiterJoin);
  p.setPen(wave);
  p.setBrush(Qt::NoBrush);
  const double low = s * 0.68;
  const double high = s * 0.32;
  QPainterPath path(QPointF(s * 0.16, low));
  path.lineTo(s * 0.36, low);
  path.lineTo(s * 0.36, high);
  path.lineTo(s * 0.64, high);
  path.lineTo(s * 0.64, low);
  path.lineTo(s * 0.84, low);
  if (size <= 16) {
    // Whole pixels keep the small icon sharp.
    path = QPainterPath(QPointF(3, 11));
    path.lineTo(6, 11);
    path.lineTo(6, 5);
    path.lineTo(10, 5);
    path.lineTo(10, 11);
    path.lineTo(13, 11);
  }
  p.drawPath(path);
  // The sample point, in amber.
  p.setPen(Qt::NoPen);
  p.setBrush(kAmber);
  const double dot = size <= 16 ? 1.6 : s * 0.07;
  p.drawEllipse(QPointF(size <= 16 ? 8.5 : s * 0.55, size <= 16 ? 5.0 : high), dot, dot);
  return image;
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
  for (int size : {16, 32, 48})
    ok = Save(Icon(size), out.filePath(QStringLiteral("icons/128-%1.png").arg(size))) && ok;
  return ok ? 0 : 1;
}
