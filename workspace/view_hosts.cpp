#include <QLabel>
#include <QVBoxLayout>

#include "workspace/grid_host.h"
#include "workspace/profile_host.h"

namespace vd {

namespace {
void MakeEmptyFrame(QWidget* w, const QString& text) {
    w->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(w);
    auto* frame = new QLabel(text, w);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setAlignment(Qt::AlignCenter);
    frame->setObjectName("placeholderText");
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
}
}  // namespace

void GridHost::setVisible(bool visible) {
    const bool wasShown = !isHidden();
    QWidget::setVisible(visible);
    if (wasShown && !visible) emit Hide();
}

void ProfileHost::setVisible(bool visible) {
    const bool wasShown = !isHidden();
    QWidget::setVisible(visible);
    if (wasShown && !visible) emit Hide();
}

PlaceholderGrid::PlaceholderGrid(QWidget* parent) : GridHost(parent) { MakeEmptyFrame(this, {}); }

void PlaceholderGrid::mnusewer() {}
void PlaceholderGrid::mnulatral() {}
void PlaceholderGrid::mnuout() {}

PlaceholderProfile::PlaceholderProfile(QWidget* parent) : ProfileHost(parent) { MakeEmptyFrame(this, {}); }

}  // namespace vd
