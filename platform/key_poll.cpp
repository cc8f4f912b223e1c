#include "platform/key_poll.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace vd {

EscKeyPoll::EscKeyPoll(QObject* parent) : QObject(parent) {
    if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

EscKeyPoll::~EscKeyPoll() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

bool EscKeyPoll::EscPressed() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    return pressed_;
}

bool EscKeyPoll::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) pressed_ = true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vd
