// What the workspace needs of the table editor it hosts as "FLEX1": the
// loaders of its table views, the write-back, the open cell's commit and its
// Hide notification.
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
    // Called before a command that saves, exports, processes or replaces the
    // network, or ends the program: what the open view shows, the text typed
    // into its open cell included, is stored as leaving the cell and hiding
    // the view would store it. False when a text was refused: the user has
    // been told, and the command stops. A host with no open view has nothing
    // to store.
    virtual bool CommitOpenCell() { return true; }

    // Raises Hide only on a real change from shown to hidden, so that
    // minimising the window writes nothing back.
    void setVisible(bool visible) override;

signals:
    void Hide();
};

}  // namespace vd
