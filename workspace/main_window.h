// The main window "Form1": one workspace, sized to the window.
#pragma once

#include <QWidget>

#include "workspace/workspace.h"

namespace vd {

class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(Model& m, Dialogs& dialogs, Vorlan::Views views = {});
    Vorlan* VORLAN1;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void Form_Resize();
};

}  // namespace vd
