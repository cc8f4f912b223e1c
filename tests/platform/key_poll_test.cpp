#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>

#include "platform/key_poll.h"

namespace vd {
namespace {

TEST(EscKeyPoll, SeesEscThroughTheEventLoop) {
    EscKeyPoll keys;
    QWidget w;
    EXPECT_FALSE(keys.EscPressed());
    QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
    EXPECT_FALSE(keys.EscPressed());
    QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_TRUE(keys.EscPressed());
    keys.Reset();
    EXPECT_FALSE(keys.EscPressed());
}

TEST(EscKeyPoll, NoCommandStartsWhileTheReadBackPolls) {
    EscKeyPoll keys;
    QPushButton button("Get ACAD");
    button.resize(80, 30);
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    const QPointF at(10, 10);
    auto click = [&] {
        QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonPress, at, button.mapToGlobal(at),
                                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonRelease, at, button.mapToGlobal(at),
                                                             Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    };
    click();
    EXPECT_FALSE(keys.EscPressed());
    EXPECT_EQ(clicks, 0);
    click();  // once the read-back is over, clicks work again
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace vd
