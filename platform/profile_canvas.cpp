#include "platform/profile_canvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace vd {

namespace {
QColor ColourOf(int32_t rgb) { return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF); }
bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }
}  // namespace

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

void ProfileCanvas::Print(double x, double y, const std::string& text, int escapement, int pixelHeight,
                          int32_t rgb) {
    if (text.empty() || pixelHeight <= 0 || !Finite(x, y)) return;
    QPainter p(&image_);
    QFont font("Arial");
    // A text taller than the canvas shows nothing useful and costs much.
    font.setPixelSize(std::min(pixelHeight, 4 * std::max(image_.width(), image_.height())));
    p.setFont(font);
    p.setPen(ColourOf(rgb));
    p.translate(toPixels(x, y));
    p.rotate(-escapement / 10.0);
    p.drawText(QPointF(0, QFontMetricsF(font).ascent()), QString::fromLatin1(text.data(), static_cast<int>(text.size())));
}

}  // namespace vd
