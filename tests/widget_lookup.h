// Finds a window's controls by their form names (objectName), as the tests
// of the window side reach them.
#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <QString>

namespace vd::test {

template <typename T>
T* Child(const QObject* root, const QString& name) {
    T* child = root->findChild<T*>(name);
    if (!child) ADD_FAILURE() << "no control named " << name.toStdString();
    return child;
}

// The name of element k of a control array: "Text5(3)".
inline QString Indexed(const char* name, int k) { return QString("%1(%2)").arg(name).arg(k); }

}  // namespace vd::test
