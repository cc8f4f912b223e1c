// The main window "Form1": one workspace, sized to the window.
#pragma once

#include <QWidget>
#include <memory>

#include "workspace/workspace.h"

namespace vd {

class DrawingWindow;

class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(Model& m, Dialogs& dialogs, Vorlan::Views views);
    ~Form1() override;
    // The workspace control "VORLAN1".
    Vorlan& workspace() { return *workspace_; }
    // The CAD drawing the ACAD commands draw into and read from; shown when a
    // command connects to it.
    DrawingWindow& Drawing() { return *drawing_; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    // Unsaved network changes and an unsaved drawing are not lost without a question.
    void closeEvent(QCloseEvent* e) override;

private:
    void Form_Resize();
    Vorlan* workspace_;
    std::unique_ptr<DrawingWindow> drawing_;
};

}  // namespace vd
