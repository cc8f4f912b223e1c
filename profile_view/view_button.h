// The profile view's buttons: named by their form names, and never taking
// the keyboard focus, so the canvas keeps its keys after a click.
#pragma once

#include <QPushButton>
#include <QString>

namespace vd {

inline QPushButton* ViewButton(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace vd
