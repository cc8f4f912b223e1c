#include "profile_view/canvas_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "cad/aci_palette.h"
#include "engine/fixed_text.h"
#include "engine/number_text.h"
#include "platform/profile_canvas.h"
#include "profile_drawing/canvas_target.h"

namespace vd {

namespace {
QColor ColourOf(int32_t rgb) { return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF); }
bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }
// Room a text's letters take, in text heights: across per letter, and below the baseline.
constexpr double kLetterWidth = 0.9;
constexpr double kDescent = 0.25;
}  // namespace

int MouseButtonCode(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton: return 1;
        case Qt::RightButton: return 2;
        case Qt::MiddleButton: return 4;
        default: return 0;
    }
}

void CanvasMarks::SetScale(double width, double height) {
    // A zero or unusable scale would put every mark at infinity.
    if (std::isfinite(width) && width != 0) scaleWidth_ = width;
    if (std::isfinite(height) && height != 0) scaleHeight_ = height;
}

void CanvasMarks::Text(const Placement& at, double x, double y, double colour, double height, double angle,
                       const std::string&, const std::string& text) {
    // The DXF drops a text's leading blanks; so does the canvas, to put it in the same place.
    std::string shown = TrimLeft(text);
    if (shown.empty()) return;
    const double tenths = angle * 10;
    const int escapement = std::isfinite(tenths) && std::fabs(tenths) < 1e9 ? static_cast<int>(RoundHalfEven(tenths)) : 0;
    // The text's baseline starts at its point, as a DXF TEXT's does.
    CanvasMark mark;
    mark.kind = CanvasMark::Text;
    mark.x1 = x - at.ViewOriginX;
    mark.y1 = at.ViewTopY - y;
    if (!Finite(mark.x1, mark.y1)) return;
    if (!(std::isfinite(height) && height > 0)) return;
    mark.height = height;
    mark.rgb = AciToRgb(ColourIndex(colour));
    mark.text = std::move(shown);
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

DrawingRect MarksExtent(const std::vector<CanvasMark>& marks, double viewOriginX, double viewTopY) {
    DrawingRect r;
    auto take = [&](double cx, double cy) { r.include(cx + viewOriginX, viewTopY - cy); };
    for (const CanvasMark& m : marks) {
        if (m.kind != CanvasMark::Text) {
            take(m.x1, m.y1);
            take(m.x2, m.y2);
            continue;
        }
        std::size_t letters = m.text.find_last_not_of(' ');
        letters = letters == std::string::npos ? 0 : letters + 1;
        const double a = m.escapement / 10.0 * 3.14159265358979 / 180;
        const double c = std::cos(a), s = std::sin(a), h = m.height;
        const double along = kLetterWidth * h * static_cast<double>(letters);
        // The corners of the text's box, turned about its point; canvas y runs down.
        for (double u : {0.0, along})
            for (double w : {-kDescent * h, h}) take(m.x1 + u * c - w * s, m.y1 - (u * s + w * c));
    }
    return r;
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

void ProfileCanvasWidget::Cls(double viewOriginX, double viewTopY) {
    marks_.Clear();
    marksOriginX_ = viewOriginX, marksTopY_ = viewTopY;
    shiftX_ = shiftY_ = 0;
    update();
}

void ProfileCanvasWidget::MoveView(double viewOriginX, double viewTopY) {
    shiftX_ = marksOriginX_ - viewOriginX;
    shiftY_ = viewTopY - marksTopY_;
    update();
}

double ProfileCanvasWidget::PixelsPerUnit() const { return std::max(1, width()) / marks_.ScaleWidth(); }

QPointF ProfileCanvasWidget::ToUnits(const QPointF& px) const {
    const double k = PixelsPerUnit();
    return {px.x() / k, px.y() / k};
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
    emit MouseDown(MouseButtonCode(e->button()), u.x(), u.y());
}

void ProfileCanvasWidget::mouseReleaseEvent(QMouseEvent* e) {
    QPointF u = ToUnits(e->position());
    emit MouseUp(MouseButtonCode(e->button()), u.x(), u.y());
}

void ProfileCanvasWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ColourOf(back_));
    const double k = PixelsPerUnit();
    auto px = [&](double x, double y) { return QPointF((x + shiftX_) * k, (y + shiftY_) * k); };
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
            case CanvasMark::Box: break;  // painted over the sheet, below
            case CanvasMark::Text: {
                const double cap = CanvasTextPixels(m.height, k);
                if (cap <= 0) break;
                const QPointF at = px(m.x1, m.y1);
                // Texts wholly off the canvas are not painted; their reach is their length either way.
                // A text too small to read is a bar at least a pixel thick.
                const double reach = std::max(cap, 1.0) * (kLetterWidth * static_cast<double>(m.text.size()) + 1);
                if (!view.adjusted(-reach, -reach, reach, reach).contains(at)) break;
                PaintCanvasText(p, at, m.text, cap, m.escapement / 10.0, ColourOf(m.rgb));
                break;
            }
        }
    }
    // The selection box goes over the lines it shares its edges with, so it shows at every zoom.
    p.setBrush(Qt::NoBrush);
    for (const CanvasMark& m : marks_.marks())
        if (m.kind == CanvasMark::Box) {
            p.setPen(QPen(ColourOf(m.rgb), 2));
            p.drawRect(QRectF(px(m.x1, m.y1), px(m.x2, m.y2)).normalized());
        }
}

}  // namespace vd
