#include "workspace/main_window.h"

#include <QResizeEvent>

namespace vd {

Form1::Form1(Model& m, Dialogs& dialogs, Vorlan::Views views) {
    setWindowTitle("VIDODUV");
    VORLAN1 = new Vorlan(m, dialogs, this, views);
    VORLAN1->setGeometry(PxRect(0, 0, 11055, 7815));
    resize(Px(11265), Px(7980));
}

void Form1::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Form_Resize();
}

void Form1::Form_Resize() {
    // The window's height counts its title bar, as the workspace's 500 allow for.
    const int frameExtra = std::max(0, frameGeometry().height() - height());
    QSize s = FormResize(VORLAN1->size() * kTwipsPerPixel, width() * kTwipsPerPixel,
                         (height() + frameExtra) * kTwipsPerPixel);
    VORLAN1->resize(Px(s.width()), Px(s.height()));
}

}  // namespace vd
