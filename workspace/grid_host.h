// What the workspace needs of the table editor it hosts as "FLEX1": the
// loaders of its table views, the write-back, and its Hide notification.
// The table editor derives from GridHost.
#pragma once

#include <QWidget>

namespace vd {

class GridHost : public QWidget {
    Q_OBJECT
public:
    explicit GridHost(QWidget* parent = nullptr) : QWidget(parent) {}

    virtual void mnusewer() = 0;    // load the line table
    virtual void mnulatral() = 0;   // load the lateral table
    virtual void mnuout() = 0;      // load the results table
    virtual void frm7upDATE() = 0;  // write every cell back, set the table's count

    // Raises Hide only on a real change from shown to hidden, so that
    // minimising the window writes nothing back.
    void setVisible(bool visible) override;

signals:
    void Hide();
};

}  // namespace vd
