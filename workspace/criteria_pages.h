// The design-criteria panel on the workspace: a tab strip of six pages and
// two frames of shared boxes that the pages relabel. What the frames show
// and how they are stored lives in criteria_store.h; this class mirrors that
// state on the widgets and reads the typed texts back before each step.
#pragma once

#include <QObject>
#include <array>

#include "engine/model.h"
#include "workspace/criteria_store.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QWidget;

namespace vd {

class Dialogs;

class CriteriaPages : public QObject {
    Q_OBJECT
public:
    // The widgets are children of the workspace; the import frame is hidden
    // when the panel opens.
    CriteriaPages(Model& m, Dialogs& dialogs, QWidget* workspace, QWidget* importFrame);

    // Opens the panel on the Title page, or stores and closes it when open.
    void ShowProjectSettings();
    bool isOpen() const;
    // Stores what the panel shows and closes it; used before a command
    // replaces the criteria, so that the panel never writes back old values.
    void closeStoring();

    void TabStrip1_Click(int tab);  // tab 1 to 6
    void Command8_Click();          // the close box
    void Option1_Click(int Index);
    // Enter in a box of an option page stores that page.
    void Text1_KeyPress(int Index);

    const CriteriaPanel& state() const { return panel_; }

private:
    void buildOptionFrame();
    void buildListFrame();
    void placeFrames();
    void hideAll();
    // Typed texts into the state, and the state onto the widgets.
    void pull();
    void push();

    Model& m_;
    Dialogs& dialogs_;
    QWidget* workspace_;
    // The widgets; each carries its form name as objectName.
    QTabWidget* tabStrip_;       // TabStrip1
    QGroupBox* optionFrame_;     // Frame1
    QGroupBox* listFrame_;       // Frame3
    QPushButton* closeBox_;      // Command8
    std::array<QRadioButton*, kOptionBoxes> optionButtons_{};  // Option1
    std::array<QLineEdit*, kOptionBoxes> optionBoxes_{};       // Text1
    std::array<QLabel*, kOptionBoxes> optionLabels_{};         // Label1
    std::array<QLineEdit*, kListRows> listBoxes_{};            // Text2
    std::array<QLabel*, kListRows> listLabels_{};              // Label2
    QWidget* importFrame_;
    QButtonGroup* optionGroup_;
    CriteriaPanel panel_;
    bool pushing_ = false;
};

}  // namespace vd
