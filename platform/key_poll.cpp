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
    if (QCoreApplication::instance()) {
        polling_ = true;
        ++pollDepth_;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        --pollDepth_;
        polling_ = false;
    }
    return pressed_;
}

bool EscKeyPoll::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) pressed_ = true;
        [[fallthrough]];
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        // The read-back is still filling the tables: a command started now
        // would work on them half-built, so input waits until it ends.
        if (polling_) return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vd
