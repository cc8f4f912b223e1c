#include "platform/profile_canvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>
#include <cmath>
#include <algorithm>
#include <array>

namespace vd {

namespace {
QColor ColourOf(int32_t rgb) { return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF); }
bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

// The drawing's texts are in Arial; Liberation Sans has its metrics and is
// the face Linux systems install for it, so it is asked for first.
QFont CanvasFont(int pixelSize) {
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    f.setPixelSize(pixelSize);
    return f;
}

// Arial's capital height as a share of its pixel size, measured once from the
// face that stands in for it here.
double CapShare() {
    static const double share = [] {
        const QFont f = CanvasFont(200);
        const double cap = QFontMetricsF(f).capHeight();
        return cap > 20 && cap < 200 ? cap / 200 : 0.716;
    }();
    return share;
}

// Each Latin-1 letter's advance, in the stand-in face's pixel size, measured
// once: a bar's length is summed from it without laying the text out.
const std::array<double, 256>& AdvanceShares() {
    static const std::array<double, 256> shares = [] {
        std::array<double, 256> a{};
        const QFontMetricsF m(CanvasFont(200));
        for (int c = 0; c < 256; ++c) a[c] = m.horizontalAdvance(QChar(c)) / 200;
        return a;
    }();
    return shares;
}

void PaintTextBar(QPainter& p, const QPointF& at, std::string_view text, double capPixels, double angle,
                  const QColor& colour) {
    if (text.find_first_not_of(' ') == std::string_view::npos) return;
    // Never thinner or shorter than a pixel, or it would not show at all.
    const double thick = std::max(capPixels, 1.0);
    const QRectF bar(0, -thick, std::max(CanvasTextLength(text, capPixels), 1.0), thick);
    if (angle == 0) {
        p.fillRect(bar.translated(at), colour);
        return;
    }
    QTransform turned = p.worldTransform();
    turned.translate(at.x(), at.y());
    turned.rotate(-angle);
    p.save();
    p.setWorldTransform(turned);
    p.fillRect(bar, colour);
    // Turned off the axes, a bar about a pixel thick can pass between the
    // pixels' centres and fill none: the pixel under its middle always shows.
    const QPointF middle = turned.map(bar.center());
    p.resetTransform();
    p.fillRect(QRectF(std::floor(middle.x()), std::floor(middle.y()), 1, 1), colour);
    p.restore();
}
}  // namespace

double CanvasTextLength(std::string_view text, double capPixels) {
    const std::size_t end = text.find_last_not_of(' ');
    if (end == std::string_view::npos) return 0;
    const std::array<double, 256>& share = AdvanceShares();
    double sum = 0;
    for (std::size_t i = 0; i <= end; ++i) sum += share[static_cast<unsigned char>(text[i])];
    return sum * capPixels / CapShare();
}

void PaintCanvasText(QPainter& p, const QPointF& at, std::string_view text, double capPixels, double angle,
                     const QColor& colour) {
    if (!(capPixels > 0) || text.empty()) return;
    if (capPixels < kSmallestCanvasTextPixels) {
        PaintTextBar(p, at, text, capPixels, angle, colour);
        return;
    }
    // A text far taller than any canvas shows nothing useful and costs much.
    const double pixelSize = std::min(capPixels / CapShare(), 20000.0);
    const int size = static_cast<int>(std::lround(pixelSize));
    if (size <= 0) return;
    if (p.font().pixelSize() != size || p.font().families().value(0) != QLatin1String("Liberation Sans"))
        p.setFont(CanvasFont(size));
    p.setPen(colour);
    const QString letters = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    if (angle == 0) {
        p.drawText(at, letters);
        return;
    }
    p.save();
    p.translate(at);
    p.rotate(-angle);
    p.drawText(QPointF(0, 0), letters);
    p.restore();
}

ProfileCanvas::ProfileCanvas(int widthPx, int heightPx) { Resize(widthPx, heightPx); }

void ProfileCanvas::Resize(int widthPx, int heightPx) {
    image_ = QImage(std::max(1, widthPx), std::max(1, heightPx), QImage::Format_RGB32);
    Clear();
}

void ProfileCanvas::SetScale(double scaleWidth, double scaleHeight) {
    // A zero or unusable scale would put every mark at infinity.
    if (std::isfinite(scaleWidth) && scaleWidth != 0) scaleWidth_ = scaleWidth;
    if (std::isfinite(scaleHeight) && scaleHeight != 0) scaleHeight_ = scaleHeight;
}

void ProfileCanvas::Clear() { image_.fill(ColourOf(back_)); }

QPointF ProfileCanvas::toPixels(double x, double y) const {
    return QPointF(x * image_.width() / scaleWidth_, y * image_.height() / scaleHeight_);
}

void ProfileCanvas::Line(double x1, double y1, double x2, double y2, int32_t rgb) {
    if (!Finite(x1, y1) || !Finite(x2, y2)) return;
    QPainter p(&image_);
    p.setPen(QPen(ColourOf(rgb), 0));
    p.drawLine(toPixels(x1, y1), toPixels(x2, y2));
}

void ProfileCanvas::Box(double x1, double y1, double x2, double y2, int32_t rgb) {
    if (!Finite(x1, y1) || !Finite(x2, y2)) return;
    QPainter p(&image_);
    p.setPen(QPen(ColourOf(rgb), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(toPixels(x1, y1), toPixels(x2, y2)).normalized());
}

void ProfileCanvas::Print(double x, double y, const std::string& text, double angle, double capPixels,
                          int32_t rgb) {
    if (text.empty() || !(capPixels > 0) || !Finite(x, y) || !std::isfinite(angle)) return;
    QPainter p(&image_);
    PaintCanvasText(p, toPixels(x, y), text, capPixels, angle, ColourOf(rgb));
}

}  // namespace vd
