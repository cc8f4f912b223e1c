#include "profile_view/canvas_widget.h"

#include <QFont>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <map>

#include "cad/aci_palette.h"
#include "engine/number_text.h"
#include "profile_drawing/canvas_target.h"

namespace vd {

namespace {
QColor ColourOf(int32_t rgb) { return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF); }
bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }
int ButtonOf(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton: return 1;
        case Qt::RightButton: return 2;
        case Qt::MiddleButton: return 4;
        default: return 0;
    }
}
}  // namespace

void CanvasMarks::SetScale(double width, double height) {
    // A zero or unusable scale would put every mark at infinity.
    if (std::isfinite(width) && width != 0) scaleWidth_ = width;
    if (std::isfinite(height) && height != 0) scaleHeight_ = height;
}

void CanvasMarks::Text(const Placement& at, double x, double y, double colour, double height, double angle,
                       const std::string&, const std::string& text) {
    if (text.empty()) return;
    const double cx = x - at.ViewOriginX, cy = at.ViewTopY - y;
    const double tenths = angle * 10;
    const int escapement = std::isfinite(tenths) && std::fabs(tenths) < 1e9 ? static_cast<int>(RoundHalfEven(tenths)) : 0;
    const double a = angle * 3.14 / 180;
    // The text cell's top-left sits 1.333 heights above the given point.
    CanvasMark mark;
    mark.kind = CanvasMark::Text;
    mark.x1 = cx - height * 0.4 * std::sin(a) / 0.3;
    mark.y1 = cy - height * 0.4 * std::cos(a) / 0.3;
    if (!Finite(mark.x1, mark.y1)) return;
    if (!(std::isfinite(height) && height > 0)) return;
    mark.height = height;
    mark.rgb = AciToRgb(ColourIndex(colour));
    mark.text = text;
    mark.escapement = escapement;
    marks_.push_back(std::move(mark));
}

void CanvasMarks::Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
                       const std::string&) {
    CanvasMark mark;
    mark.x1 = x1 - at.ViewOriginX;
    mark.y1 = at.ViewTopY - y1;
    mark.x2 = x2 - at.ViewOriginX;
    mark.y2 = at.ViewTopY - y2;
    if (!Finite(mark.x1, mark.y1) || !Finite(mark.x2, mark.y2)) return;
    mark.rgb = AciToRgb(ColourIndex(colour));
    marks_.push_back(std::move(mark));
}

void CanvasMarks::Box(const Placement& at, double x1, double y1, double x2, double y2, int32_t rgb) {
    CanvasMark mark;
    mark.kind = CanvasMark::Box;
    mark.x1 = x1 - at.ViewOriginX;
    mark.y1 = at.ViewTopY - y1;
    mark.x2 = x2 - at.ViewOriginX;
    mark.y2 = at.ViewTopY - y2;
    if (!Finite(mark.x1, mark.y1) || !Finite(mark.x2, mark.y2)) return;
    mark.rgb = rgb;
    marks_.push_back(std::move(mark));
}

ProfileCanvasWidget::ProfileCanvasWidget(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProfileCanvasWidget::SetScale(double width, double height) {
    marks_.SetScale(width, height);
    update();
}

void ProfileCanvasWidget::SetBackColour(int32_t rgb) {
    back_ = rgb;
    update();
}

void ProfileCanvasWidget::Cls() {
    marks_.Clear();
    update();
}

QPointF ProfileCanvasWidget::ToUnits(const QPointF& px) const {
    const double w = std::max(1, width()), h = std::max(1, height());
    return {px.x() * marks_.ScaleWidth() / w, px.y() * marks_.ScaleHeight() / h};
}

bool ProfileCanvasWidget::event(QEvent* e) {
    // Tab and Shift+Tab are view commands here, not focus moves.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QWidget::event(e);
}

void ProfileCanvasWidget::keyPressEvent(QKeyEvent* e) {
    VirtualKey vk = ToVirtualKey(*e);
    if (vk.code == 0) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    emit KeyDown(vk.code, vk.mask);
}

void ProfileCanvasWidget::mousePressEvent(QMouseEvent* e) {
    QPointF u = ToUnits(e->position());
    emit MouseDown(ButtonOf(e->button()), u.x(), u.y());
}

void ProfileCanvasWidget::mouseReleaseEvent(QMouseEvent* e) {
    QPointF u = ToUnits(e->position());
    emit MouseUp(ButtonOf(e->button()), u.x(), u.y());
}

void ProfileCanvasWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ColourOf(back_));
    const double sx = width() / marks_.ScaleWidth(), sy = height() / marks_.ScaleHeight();
    auto px = [&](double x, double y) { return QPointF(x * sx, y * sy); };
    std::map<int, QFont> fonts;
    const QRectF view = QRectF(rect()).adjusted(-2, -2, 2, 2);
    for (const CanvasMark& m : marks_.marks()) {
        switch (m.kind) {
            case CanvasMark::Line: {
                QPointF a = px(m.x1, m.y1), b = px(m.x2, m.y2);
                if (!view.intersects(QRectF(a, b).normalized().adjusted(-1, -1, 1, 1))) break;
                p.setPen(QPen(ColourOf(m.rgb), 0));
                p.drawLine(a, b);
                break;
            }
            case CanvasMark::Box:
                p.setPen(QPen(ColourOf(m.rgb), 0));
                p.setBrush(Qt::NoBrush);
                p.drawRect(QRectF(px(m.x1, m.y1), px(m.x2, m.y2)).normalized());
                break;
            case CanvasMark::Text: {
                // A text taller than the canvas shows nothing useful and costs much.
                const int size = std::min(CanvasTextPixels(m.height, marks_.ScaleWidth(), width()),
                                          4 * std::max(width(), height()));
                if (size <= 0) break;
                auto it = fonts.find(size);
                if (it == fonts.end()) {
                    QFont f("Arial");
                    f.setPixelSize(size);
                    it = fonts.emplace(size, f).first;
                }
                const QPointF at = px(m.x1, m.y1);
                if (m.escapement == 0 && !view.adjusted(-4.0 * size * m.text.size(), -2.0 * size, 0, 0).contains(at)) break;
                p.save();
                p.setFont(it->second);
                p.setPen(ColourOf(m.rgb));
                p.translate(at);
                p.rotate(-m.escapement / 10.0);
                p.drawText(QPointF(0, QFontMetricsF(it->second).ascent()),
                           QString::fromLatin1(m.text.data(), static_cast<int>(m.text.size())));
                p.restore();
                break;
            }
        }
    }
}

}  // namespace vd
