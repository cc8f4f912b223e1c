// What the workspace needs of the profile view it hosts as "prof1": the sheet
// refresh, the canvas fit, the sheet options of the drawing-settings file and
// a Hide notification. The profile view derives from ProfileHost.
#pragma once

#include <QWidget>

namespace vd {

class ProfileHost : public QWidget {
    Q_OBJECT
public:
    explicit ProfileHost(QWidget* parent = nullptr) : QWidget(parent) {}

    virtual void ff() = 0;       // cut the sheets, refill the sheet list
    virtual void Resize1() = 0;  // fit the canvas, redraw the current sheet
    // Reads the sheet-options record of the open drawing-settings file into
    // drawing-style row 26 of the model.
    virtual void ReloadSheetOptions() = 0;

    // Raises Hide only on a real change from shown to hidden.
    void setVisible(bool visible) override;

signals:
    void Hide();
};

}  // namespace vd
