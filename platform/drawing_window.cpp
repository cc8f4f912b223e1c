#include "platform/drawing_window.h"

#include "cad/aci_palette.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

#include "engine/fixed_text.h"
#include "engine/number_text.h"

namespace vd {

namespace {

// An entity's screen colour: by layer (256) and by block (0) take the layer's
// colour; a number the palette has no colour for (an off layer's negative
// number) shows white on the dark background rather than vanishing.
QColor AciColour(int aci, int layerColour) {
    if (aci == 256 || aci == 0) aci = layerColour;
    if (aci < 1 || aci > 255) return QColor(255, 255, 255);
    const int32_t rgb = AciToRgb(aci);
    return QColor(AciRed(rgb), AciGreen(rgb), AciBlue(rgb));
}

const QColor kBackground(33, 40, 48);

struct Extents {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    void add(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
    bool valid() const { return x0 <= x1 && y0 <= y1; }
};

}  // namespace

TypedPoint ReadTypedPoint(std::string_view prompt, std::string_view text) {
    std::string box = Trim(prompt);
    while (!box.empty() && (box.back() == ':' || box.back() == ' ')) box.pop_back();
    if (box.starts_with("Enter ")) box.erase(0, 6);
    if (box.empty()) box = "Point";
    const std::string again = "; type the point as x, y or x, y, z.";
    std::vector<std::string_view> parts;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t end = text.find_first_of(",; \t\r\n", i);
        if (end != i) parts.push_back(text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
        if (end == std::string_view::npos) break;
        i = end + 1;
    }
    TypedPoint out;
    CadPoint p{0, 0, 0};
    // Each part is a number first, so a text reads as it does in every box.
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const OneNumber n = ReadOneNumber(parts[k]);
        if (n.kind != OneNumber::Number) {
            out.refusal = box + ": " + NumberRefusal(parts[k], n.kind) + again;
            return out;
        }
        if (k < 3) p[k] = n.value;
    }
    if (parts.size() < 2 || parts.size() > 3) {
        std::string shown = Trim(text);
        if (shown.size() > 40) shown = shown.substr(0, 40) + "...";
        out.refusal = box + ": " + (parts.empty() ? std::string("the box is empty") : "\"" + shown + "\" is not a point") + again;
        return out;
    }
    out.point = p;
    return out;
}

DrawingView::DrawingView(CadApplication& app, QWidget* parent) : QWidget(parent), app_(app) {
    setMinimumSize(300, 200);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
}

QPointF DrawingView::toScreen(double x, double y) const {
    return {width() / 2.0 + (x - centreX_) * scale_, height() / 2.0 - (y - centreY_) * scale_};
}

CadPoint DrawingView::toDrawing(const QPointF& p) const {
    return {centreX_ + (p.x() - width() / 2.0) / scale_, centreY_ - (p.y() - height() / 2.0) / scale_, 0};
}

void DrawingView::zoomExtents() {
    userMoved_ = false;
    Extents ex;
    if (app_.HasDocument()) {
        for (const auto& e : app_.ActiveDocument().ModelSpace().entities()) {
            switch (e->kind) {
            case CadKind::Line:
                ex.add(e->StartPoint[0], e->StartPoint[1]);
                ex.add(e->EndPoint[0], e->EndPoint[1]);
                break;
            case CadKind::Solid:
                for (const auto& c : e->Corners) ex.add(c[0], c[1]);
                break;
            case CadKind::Polyline:
                for (const auto& v : e->Vertices) ex.add(v[0], v[1]);
                break;
            case CadKind::Circle:
                ex.add(e->InsertionPoint[0] - e->Radius, e->InsertionPoint[1] - e->Radius);
                ex.add(e->InsertionPoint[0] + e->Radius, e->InsertionPoint[1] + e->Radius);
                break;
            case CadKind::Text:
                // A rough box of the text, enough to keep it in view.
                ex.add(e->InsertionPoint[0], e->InsertionPoint[1]);
                ex.add(e->InsertionPoint[0] + e->Height * 0.8 * e->TextString.size(), e->InsertionPoint[1] + e->Height);
                break;
            case CadKind::Insert:
                ex.add(e->InsertionPoint[0], e->InsertionPoint[1]);
                for (const auto& a : e->GetAttributes()) {
                    ex.add(a->InsertionPoint[0], a->InsertionPoint[1]);
                    ex.add(a->InsertionPoint[0] + a->Height * 0.8 * a->TextString.size(),
                           a->InsertionPoint[1] + a->Height);
                }
                break;
            default:
                ex.add(e->InsertionPoint[0], e->InsertionPoint[1]);
                break;
            }
        }
    }
    fitArea(ex.x0, ex.y0, ex.x1, ex.y1);
    framed_ = false;
}

void DrawingView::zoomWindow(double x0, double y0, double x1, double y1) {
    Extents ex;
    ex.add(x0, y0);
    ex.add(x1, y1);
    if (!ex.valid()) return;
    fitArea(ex.x0, ex.y0, ex.x1, ex.y1);
    userMoved_ = false;
    framed_ = true;
}

void DrawingView::fitArea(double x0, double y0, double x1, double y1) {
    Extents ex{x0, y0, x1, y1};
    if (!ex.valid()) {
        centreX_ = centreY_ = 0;
        scale_ = 1;
    } else {
        centreX_ = (ex.x0 + ex.x1) / 2;
        centreY_ = (ex.y0 + ex.y1) / 2;
        double w = std::max(ex.x1 - ex.x0, 1e-6), h = std::max(ex.y1 - ex.y0, 1e-6);
        scale_ = 0.9 * std::min(width() / w, height() / h);
        if (!std::isfinite(scale_) || scale_ <= 0) scale_ = 1;
    }
    update();
}

void DrawingView::redrawAll() {
    imageValid_ = false;
    update();
}

void DrawingView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!app_.HasDocument()) {
        imageValid_ = false;
        p.fillRect(rect(), kBackground);
        p.setPen(Qt::lightGray);
        p.drawText(rect(), Qt::AlignCenter, tr("No drawing open"));
        return;
    }
    updateImage(app_.ActiveDocument());
    p.drawImage(0, 0, image_);
    if (picking) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 200, 0), 1, Qt::DashLine));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void DrawingView::updateImage(CadDocument& doc) {
    // A large drawing takes far longer to draw than to copy: a paint that
    // finds only entities added since the last one (a command's marker text,
    // say) draws just those onto the kept image.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    std::vector<std::pair<std::string, int>> layers;
    layers.reserve(static_cast<size_t>(doc.Layers().Count()));
    for (const auto& l : doc.Layers().all()) layers.emplace_back(l->Name, l->Color);
    const auto& all = doc.ModelSpace().entities();
    const bool grown = imageValid_ && imageDoc_ == &doc && image_.size() == pixels &&
                       image_.devicePixelRatio() == ratio && imageScale_ == scale_ && imageCentreX_ == centreX_ &&
                       imageCentreY_ == centreY_ && layers == imageLayers_ && all.size() >= imageCount_ &&
                       (imageCount_ == 0 || all[imageCount_ - 1].get() == imageLast_);
    size_t from = imageCount_;
    if (!grown) {
        if (image_.size() != pixels) image_ = QImage(pixels, QImage::Format_RGB32);
        image_.setDevicePixelRatio(ratio);
        image_.fill(kBackground);
        from = 0;
    }
    if (from < all.size()) {
        QPainter p(&image_);
        drawEntities(p, doc, from);
    }
    imageValid_ = true;
    imageDoc_ = &doc;
    imageCount_ = all.size();
    imageLast_ = all.empty() ? nullptr : all.back().get();
    imageScale_ = scale_;
    imageCentreX_ = centreX_;
    imageCentreY_ = centreY_;
    imageLayers_ = std::move(layers);
}

void DrawingView::drawEntities(QPainter& p, CadDocument& doc, size_t from) {
    p.setRenderHint(QPainter::Antialiasing, true);
    // Runs of entities share a layer and a colour: the last layer's colour
    // and the pen in use are kept rather than looked up and set again.
    const std::string* lastLayer = nullptr;
    int lastLayerColour = 7;
    auto layerColour = [&](const std::string& name) {
        if (lastLayer && *lastLayer == name) return lastLayerColour;
        CadLayer* l = doc.Layers().Find(name);
        lastLayer = &name;
        lastLayerColour = l ? l->Color : 7;
        return lastLayerColour;
    };
    bool linePen = false;  // the pen is the thin pen of linePenColour
    QColor linePenColour;
    std::function<void(const CadEntity&, const QTransform&)> draw;
    int nesting = 0;
    auto drawText = [&](const CadEntity& e, const QTransform& t, const std::string& text, QColor colour) {
        QPointF at = t.map(toScreen(e.InsertionPoint[0], e.InsertionPoint[1]));
        double px = e.Height * scale_;
        if (px < 2 || text.empty()) return;
        QFont f("Sans");
        f.setPixelSize(std::max(1, static_cast<int>(std::min(px, 2000.0))));
        p.save();
        p.setFont(f);
        p.setPen(colour);
        p.translate(at);
        p.rotate(-e.Rotation * 180 / M_PI);
        p.drawText(QPointF(0, 0), QString::fromLatin1(text.data(), static_cast<int>(text.size())));
        p.restore();
    };
    draw = [&](const CadEntity& e, const QTransform& t) {
        QColor colour = AciColour(e.Color, layerColour(e.layer()));
        auto S = [&](const CadPoint& c) { return t.map(toScreen(c[0], c[1])); };
        if (e.kind == CadKind::Line) {
            if (!linePen || colour != linePenColour) p.setPen(QPen(colour, 0));
            linePen = true;
            linePenColour = colour;
            p.drawLine(S(e.StartPoint), S(e.EndPoint));
            return;
        }
        linePen = false;
        p.setPen(QPen(colour, 0));
        p.setBrush(Qt::NoBrush);
        switch (e.kind) {
        case CadKind::Line: break;
        case CadKind::Circle: {
            QPointF c = S(e.InsertionPoint);
            double r = e.Radius * scale_;
            p.drawEllipse(c, r, r);
            break;
        }
        case CadKind::Solid: {
            // Corners 3 and 4 are drawn crosswise, as solids are defined.
            QPolygonF poly({S(e.Corners[0]), S(e.Corners[1]), S(e.Corners[3]), S(e.Corners[2])});
            p.setBrush(colour);
            p.drawPolygon(poly);
            break;
        }
        case CadKind::Polyline:
            for (size_t i = 0; i + 1 < e.Vertices.size(); ++i) {
                double w = i < e.Widths.size() ? std::max(e.Widths[i][0], e.Widths[i][1]) : 0;
                p.setPen(QPen(colour, std::max(0.0, w * scale_)));
                p.drawLine(S(e.Vertices[i]), S(e.Vertices[i + 1]));
            }
            break;
        case CadKind::Text: drawText(e, t, e.TextString, colour); break;
        case CadKind::AttributeDef: break;
        case CadKind::Attribute: drawText(e, t, e.TextString, colour); break;
        case CadKind::Insert: {
            CadBlock* def = doc.Blocks().Find(e.Name);
            if (def) {
                // Block geometry placed by the reference's point, scale and rotation.
                QPointF base = toScreen(e.InsertionPoint[0], e.InsertionPoint[1]);
                QTransform bt;
                bt.translate(base.x(), base.y());
                bt.rotate(-e.Rotation * 180 / M_PI);
                bt.scale(e.XScale, e.YScale);
                QPointF origin = toScreen(def->Origin[0], def->Origin[1]);
                bt.translate(-origin.x(), -origin.y());
                // Blocks within blocks are drawn a few levels deep; a drawing
                // whose blocks hold each other stops there.
                constexpr int kNestingShown = 8;
                if (++nesting <= kNestingShown)
                    for (const auto& child : def->entities()) draw(*child, bt * t);
                --nesting;
            }
            for (const auto& a : e.GetAttributes()) draw(*a, t);
            break;
        }
        }
    };
    // Model space lines come in long runs of one colour: they are drawn a
    // run at a time, and those wholly outside the view are left out.
    const auto& all = doc.ModelSpace().entities();
    std::vector<QLineF> run;
    QColor runColour;
    auto flush = [&] {
        if (run.empty()) return;
        p.setPen(QPen(runColour, 0));
        p.drawLines(run.data(), static_cast<int>(run.size()));
        run.clear();
        linePen = false;
    };
    const double right = width() + 2.0, bottom = height() + 2.0;
    for (size_t i = from; i < all.size(); ++i) {
        const CadEntity& e = *all[i];
        if (e.kind != CadKind::Line) {
            flush();
            draw(e, QTransform());
            continue;
        }
        const QColor colour = AciColour(e.Color, layerColour(e.layer()));
        const QPointF a = toScreen(e.StartPoint[0], e.StartPoint[1]), b = toScreen(e.EndPoint[0], e.EndPoint[1]);
        if ((a.x() < -2 && b.x() < -2) || (a.x() > right && b.x() > right) || (a.y() < -2 && b.y() < -2) ||
            (a.y() > bottom && b.y() > bottom))
            continue;
        if (colour != runColour) flush();
        runColour = colour;
        run.emplace_back(a, b);
    }
    flush();
}

void DrawingView::wheelEvent(QWheelEvent* ev) {
    double factor = std::pow(1.0015, ev->angleDelta().y());
    CadPoint before = toDrawing(ev->position());
    userMoved_ = true;
    scale_ = std::clamp(scale_ * factor, 1e-9, 1e9);
    CadPoint after = toDrawing(ev->position());
    centreX_ += before[0] - after[0];
    centreY_ += before[1] - after[1];
    update();
}

void DrawingView::mousePressEvent(QMouseEvent* ev) {
    if (ev->button() == Qt::LeftButton && picking) {
        CadPoint d = toDrawing(ev->position());
        emit picked(d[0], d[1]);
        return;
    }
    if (ev->button() == Qt::MiddleButton || ev->button() == Qt::LeftButton || ev->button() == Qt::RightButton) {
        panning_ = true;
        panFrom_ = ev->pos();
    }
}

void DrawingView::mouseMoveEvent(QMouseEvent* ev) {
    CadPoint d = toDrawing(ev->position());
    emit cursorAt(d[0], d[1]);
    if (panning_) {
        QPoint delta = ev->pos() - panFrom_;
        panFrom_ = ev->pos();
        if (!delta.isNull()) userMoved_ = true;
        centreX_ -= delta.x() / scale_;
        centreY_ += delta.y() / scale_;
        update();
    }
}

void DrawingView::mouseReleaseEvent(QMouseEvent*) { panning_ = false; }

void DrawingView::keyPressEvent(QKeyEvent* ev) {
    if (ev->key() == Qt::Key_Escape && picking) {
        emit cancelled();
        return;
    }
    if (ev->key() == Qt::Key_Plus || ev->key() == Qt::Key_Equal) scale_ *= 1.25;
    else if (ev->key() == Qt::Key_Minus) scale_ /= 1.25;
    else if (ev->key() == Qt::Key_Home) return zoomExtents();
    else return QWidget::keyPressEvent(ev);
    userMoved_ = true;
    update();
}

// ---------------------------------------------------------------- window

DrawingWindow::DrawingWindow(CadApplication& app, QWidget* parent) : QMainWindow(parent), app_(app) {
    resize(900, 640);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new DrawingView(app_, central);
    view_->setObjectName("drawingView");
    layout->addWidget(view_, 1);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 2, 6, 2);
    promptLabel_ = new QLabel(central);
    promptLabel_->setObjectName("promptLabel");
    pointEdit_ = new QLineEdit(central);
    pointEdit_->setObjectName("pointEdit");
    pointEdit_->setPlaceholderText(tr("x, y"));
    pointEdit_->setMaximumWidth(240);
    pointEdit_->setEnabled(false);
    bar->addWidget(promptLabel_);
    bar->addWidget(pointEdit_);
    bar->addStretch(1);
    layout->addLayout(bar);
    setCentralWidget(central);
    cursorLabel_ = new QLabel(this);
    cursorLabel_->setObjectName("cursorLabel");
    statusBar()->addPermanentWidget(cursorLabel_);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&New"), this, [this] { newDrawing(); });
    file->addAction(tr("&Open..."), this, [this] { openDrawing(); });
    file->addAction(tr("&Save"), this, [this] { save(); });
    file->addAction(tr("Save &As..."), this, [this] { saveAs(); });
    QMenu* viewMenu = menuBar()->addMenu(tr("&View"));
    viewMenu->addAction(tr("Zoom &Extents"), this, [this] { view_->zoomExtents(); });

    dialogs.askSave = [this](const QString& name) {
        auto b = QMessageBox::question(this, tr("Drawing"), tr("Save the changes to the drawing \"%1\"?").arg(name),
                                       QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        return b == QMessageBox::Save ? 0 : b == QMessageBox::Discard ? 1 : 2;
    };
    dialogs.saveFileName = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, tr("Save Drawing"), suggested, tr("DXF drawing (*.dxf *.DXF)"));
    };
    dialogs.openFileName = [this] {
        return QFileDialog::getOpenFileName(this, tr("Open Drawing"), {}, tr("DXF drawing (*.dxf *.DXF)"));
    };
    dialogs.message = [this](const QString& text) { QMessageBox::warning(this, tr("Drawing"), text); };

    connect(view_, &DrawingView::cursorAt, this,
            [this](double x, double y) { cursorLabel_->setText(QString("%1, %2").arg(x, 0, 'f', 3).arg(y, 0, 'f', 3)); });
    connect(view_, &DrawingView::picked, this, [this](double x, double y) { finishPick(CadPoint{x, y, 0}); });
    connect(view_, &DrawingView::cancelled, this, [this] { finishPick(std::nullopt); });
    connect(pointEdit_, &QLineEdit::returnPressed, this, [this] {
        const TypedPoint typed = ReadTypedPoint(prompt_, pointEdit_->text().toLatin1().toStdString());
        if (!typed.point) {
            // The prompt goes on asking, with the box as it was.
            pointEdit_->clear();
            dialogs.message(QString::fromLatin1(typed.refusal.data(), static_cast<int>(typed.refusal.size())));
            return;
        }
        finishPick(*typed.point);
    });
    app_.setHost(this);
    updateTitle();
}

DrawingWindow::~DrawingWindow() {
    if (app_.host() == this) app_.setHost(nullptr);
    finishPick(std::nullopt);
}

void DrawingWindow::updateTitle() {
    QString name = app_.HasDocument() ? QString::fromLatin1(app_.ActiveDocument().Name.c_str()) : tr("(none)");
    bool modified = app_.HasDocument() && app_.ActiveDocument().modified();
    setWindowTitle(tr("Drawing - %1%2").arg(name, modified ? " *" : ""));
}

bool DrawingWindow::maybeSave() {
    if (!app_.HasDocument() || !app_.ActiveDocument().modified()) return true;
    int answer = dialogs.askSave(QString::fromLatin1(app_.ActiveDocument().Name.c_str()));
    if (answer == 1) return true;
    if (answer == 2) return false;
    return save();
}

bool DrawingWindow::newDrawing() {
    if (!maybeSave()) return false;
    app_.NewDocument();
    view_->zoomExtents();
    updateTitle();
    return true;
}

bool DrawingWindow::openDrawing(const QString& given) {
    if (!maybeSave()) return false;
    QString path = given.isEmpty() ? dialogs.openFileName() : given;
    if (path.isEmpty()) return false;
    try {
        CadDocument& doc = app_.OpenDocument(path.toLocal8Bit().toStdString());
        view_->zoomExtents();
        updateTitle();
        if (!doc.loadWarnings.empty()) {
            QStringList lines;
            for (const auto& w : doc.loadWarnings) lines << QString::fromLatin1(w.c_str());
            dialogs.message(tr("Parts of \"%1\" could not be read:\n%2").arg(path, lines.join("\n")));
        }
        return true;
    } catch (const CadError& e) {
        dialogs.message(tr("The drawing \"%1\" was not opened: %2").arg(path, QString::fromLatin1(e.what())));
        return false;
    }
}

bool DrawingWindow::save() {
    if (!app_.HasDocument()) return true;
    const CadDocument& doc = app_.ActiveDocument();
    if (doc.FullName.empty()) return saveAs();
    const std::vector<std::string> losses = doc.LossesIfSavedTo(doc.FullName);
    if (!losses.empty()) {
        // The file holds more than the drawing: it is never replaced by less.
        QStringList lines;
        for (const auto& l : losses) lines << QString::fromLatin1(l.c_str());
        dialogs.message(tr("Saving over \"%1\" would lose what this drawing could not read from it:\n%2\n\n"
                           "Choose a new file name to save the drawing.")
                            .arg(QString::fromLocal8Bit(doc.FullName.c_str()), lines.join("\n")));
        return saveAs();
    }
    return saveAs(QString::fromLocal8Bit(doc.FullName.c_str()));
}

bool DrawingWindow::saveAs(const QString& given) {
    if (!app_.HasDocument()) return true;
    QString path = given;
    if (path.isEmpty()) {
        path = dialogs.saveFileName(QString::fromLatin1(app_.ActiveDocument().Name.c_str()));
        if (path.isEmpty()) return false;
        if (!path.endsWith(".dxf", Qt::CaseInsensitive)) path += ".dxf";
    }
    try {
        app_.ActiveDocument().SaveAs(path.toLocal8Bit().toStdString());
        updateTitle();
        return true;
    } catch (const CadError& e) {
        dialogs.message(tr("The drawing was not saved: %1").arg(QString::fromLatin1(e.what())));
        return false;
    }
}

void DrawingWindow::closeEvent(QCloseEvent* ev) {
    // Closing hides the window only; the drawing lives on with the program.
    if (pickLoop_) finishPick(std::nullopt);
    ev->accept();
}

void DrawingWindow::cadShow(bool visible) {
    // Every command shows the window again; a view the user chose stays.
    const bool appearing = visible && !isVisible();
    setVisible(visible);
    if (appearing) view_->zoomExtents();
}

void DrawingWindow::cadActivate() {
    show();
    raise();
    activateWindow();
}

void DrawingWindow::cadZoomExtents() { view_->zoomExtents(); }

void DrawingWindow::cadZoomWindow(double x0, double y0, double x1, double y1) { view_->zoomWindow(x0, y0, x1, y1); }

void DrawingWindow::cadChanged() {
    updateTitle();
    // What a command just drew stays in view until the user takes over.
    if (!view_->userMoved() && !view_->framed()) view_->zoomExtents();
    view_->redrawAll();
}

void DrawingWindow::cadAdded() {
    updateTitle();
    if (!view_->userMoved() && !view_->framed()) view_->zoomExtents();
    view_->update();
}

std::optional<CadPoint> DrawingWindow::cadGetPoint(const std::string& prompt) {
    if (pickLoop_) return std::nullopt;  // one prompt at a time
    cadActivate();
    promptLabel_->setText(QString::fromLatin1(prompt.c_str()));
    prompt_ = prompt;
    pointEdit_->setEnabled(true);
    pointEdit_->clear();
    view_->picking = true;
    view_->setFocus();
    view_->update();
    QEventLoop loop;
    pickLoop_ = &loop;
    pickResult_.reset();
    loop.exec();
    pickLoop_ = nullptr;
    view_->picking = false;
    promptLabel_->clear();
    pointEdit_->setEnabled(false);
    view_->update();
    return pickResult_;
}

void DrawingWindow::finishPick(std::optional<CadPoint> p) {
    if (!pickLoop_) return;
    pickResult_ = p;
    pickLoop_->quit();
}

}  // namespace vd
