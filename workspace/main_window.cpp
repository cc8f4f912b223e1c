#include "workspace/main_window.h"

#include <QCloseEvent>
#include <QResizeEvent>

#include "platform/drawing_window.h"

namespace vd {

Form1::Form1(Model& m, Dialogs& dialogs, Vorlan::Views views) {
    setWindowTitle("VIDODUV");
    workspace_ = new Vorlan(m, dialogs, this, views);
    workspace_->setGeometry(PxRect(0, 0, 11055, 7815));
    // The window's own size, or wider where the captions need more room.
    const int needed = workspace_->minimumSizeHint().width() + Px(11265) - Px(11055);
    resize(std::max(Px(11265), needed), Px(7980));
    drawing_ = std::make_unique<DrawingWindow>(workspace_->AcadApp());
}

Form1::~Form1() = default;

void Form1::closeEvent(QCloseEvent* e) {
    if (!workspace_->maybeSaveNetwork() || !drawing_->maybeSave()) {
        e->ignore();
        return;
    }
    drawing_->close();
    QWidget::closeEvent(e);
}

void Form1::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Form_Resize();
}

void Form1::Form_Resize() {
    // The window's height counts its title bar, which the 500 taken off allow
    // for; without a title bar from the window system the workspace fills
    // the window.
    const int titleBar = std::max(frameGeometry().height() - height(), Px(500));
    QSize s = FormResize(workspace_->size() * kTwipsPerPixel, width() * kTwipsPerPixel,
                         (height() + titleBar) * kTwipsPerPixel);
    workspace_->resize(Px(s.width()), Px(s.height()));
}

}  // namespace vd
