// The profile view "prof1": the canvas with its sheet list "DWG", the zoom
// bar and presets, line selection and the keys. The workspace shows it with
// ff and Resize1. Every view command ends with Redraw: clear the canvas and
// draw the shown sheet with scrp.
//
// Frames built by other parts of the view (edit boxes, search, sheet options,
// exports, style page) go into the side panel; the widgets of theirs that the
// start-up and ff touch are handed over as those frames are built.
#pragma once

#include <QString>
#include <QStringList>
#include <array>

#include "engine/model.h"
#include "platform/dialogs.h"
#include "profile_drawing/context.h"
#include "profile_drawing/output.h"
#include "profile_view/key_table.h"
#include "profile_view/property_bag.h"
#include "profile_view/view_mapping.h"
#include "workspace/profile_host.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QLayout;
class QScrollArea;
class QScrollBar;
class QVBoxLayout;

namespace vd {

class ProfileCanvasWidget;
class SheetFrame;

class ProfileControl : public ProfileHost {
    Q_OBJECT
public:
    // programFolder: where "vorlan.cfg" lives (ending in '/'); the program
    // folder rule when empty.
    ProfileControl(Model& m, Dialogs& dialogs, QWidget* parent = nullptr, const QString& programFolder = {});
    ~ProfileControl() override;

    // ---- the host's calls ----------------------------------------------------
    void ff() override;
    void Resize1() override;
    void ReloadSheetOptions() override;

    // ---- spine ------------------------------------------------------------------
    void UserControl_Initialize();
    void Redraw();
    // Frames the shown sheet, whole, on the canvas: what a newly shown sheet opens with.
    void ShowWholeSheet();
    void findsheet(int line);
    void Combo1_Click();
    void VScroll5_Change();
    void Command41_Click();  // key help
    void Command42_Click();  // close key help

    // ---- zoom and pan -----------------------------------------------------------
    void HScroll1_Change();  // the user moved the zoom bar
    void Command2_Click();   // "Zoom1 (Space)"
    void Command1_Click();   // "Zoom2 (F5)"
    void Command8_Click();   // "Zoom1 Set"
    void Command9_Click();   // "Zoom2 Set"
    void Label8_Click();
    void Label9_Click();
    // Canvas units; button 1 left, 2 right.
    void prof1_MouseDown(int button, double x, double y);
    void prof1_MouseUp(int button, double x, double y);
    void Picture1_MouseDown(int button, double x, double y);
    void Picture1_MouseUp(int button, double x, double y);

    // ---- selection ----------------------------------------------------------------
    void Command3_Click();  // "Next Selection (Tab)"
    void Command4_Click();  // "Previous Selection(Shift+Tab)"
    void Command5_Click();  // "Add to Selection (Ctrl + Right Arrow)"
    void Command6_Click();  // "Remove Selection (Ctrl+Left arrow)"
    void Command7_Click();  // "Zoom to Selection (Space)"

    // ---- keys -------------------------------------------------------------------
    // Virtual-key code and modifier mask (Shift 1, Ctrl 2, Alt 4).
    void prof1_KeyDown(int& KeyCode, int Shift);
    void Picture1_KeyDown(int& KeyCode, int Shift);
    void Command10_Click() {}  // " Mean"
    void VScroll1_Change() {}
    void VScroll2_Change() {}
    void VScroll3_Change() {}
    void VScroll4_Change() {}

    // ---- commands of the other frames -------------------------------------------
    void Command11_Click();  // "Make dxf"
    void Command12_Click();  // "Draw all"
    void Command18_Click();  // "Search"

    // ---- state ------------------------------------------------------------------
    ProfileViewState& view() { return v_; }
    Model& model() { return m_; }
    Dialogs& dialogs() { return dialogs_; }
    ProfileCanvasWidget& canvasWidget() { return *canvas_; }
    ProfileProperties& properties() { return properties_; }
    // The targets of a drawing; the canvas is always the view's own.
    OutputSet outputs;
    // The start-up's message when the settings file could not be used.
    const QString& startupMessage() const { return startupMessage_; }
    // The numeric canvas property Resize1 sets to 2.5; stored only.
    double CanvasStep = 0;
    // Moves the zoom bar from code: the scale follows, the view does not
    // recentre and nothing is drawn.
    void SetZoomBar(int value);
    // The shown sheet's extent as last drawn, drawing units.
    const DrawingRect& sheetExtent() const { return sheetExtent_; }
    // Shows sheet `index` in the list and scroll bar without raising their events.
    void SyncSheetList(int index);

    // Side-panel slots for the frames built by the other parts of the view.
    void addToSidePanel(QWidget* w);
    void addToSidePanel(QLayout* row);
    // The sheet list: how many entries it offers, and new entries, firing nothing.
    int sheetListCount() const;
    void SetSheetListItems(const QStringList& items);
    // The checked sheet-length option of the sheet frame; -1 when none.
    int checkedLengthOption() const;
    // The canvas's own width beside the panel at its full width: no caption of
    // the panel is cut.
    QSize minimumSizeHint() const override;

signals:
    // After every draw of the shown sheet; the edit boxes take the selected line's texts.
    void redrawn();

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildWidgets();
    void LayOut();
    int PanelWidth() const;
    // Frames that open in the panel come into sight as they open.
    void WatchPanelFrames();
    void RevealInPanel(QWidget* frame);
    void RunKey(KeyTarget target, int& keyCode, int mask);
    void FocusCanvas();
    void PipeSizeKey(const KeyRow& row);
    void StepLatBase(const KeyRow& row);
    void BranchView(int branch);
    void SetPanStep(int step);
    // Units across the canvas that show the whole shown sheet.
    double WholeWidth() const;
    // The canvas changed size: same zoom step, same centre.
    void KeepViewOnResizedCanvas();

    // The frames that own these hand them over when they are built.
    friend SheetFrame* AttachSheetFrame(ProfileControl& control);
    friend class StylePage;

    Model& m_;
    Dialogs& dialogs_;
    QString programFolder_;
    ProfileViewState v_;
    ProfileProperties properties_;
    QString startupMessage_;
    bool startupMessageShown_ = false;
    QScrollArea* panelScroll_;
    double dragX_ = 0, dragY_ = 0;
    DrawingRect sheetExtent_;

    // The children. Each carries its form name as objectName, by which tests find it.
    ProfileCanvasWidget* canvas_;  // prof1
    QComboBox* sheetList_;         // Combo1, "DWG"
    QScrollBar* sheetScroll_;      // VScroll5
    QScrollBar* zoomBar_;          // HScroll1
    QLabel* panStepLabel_;         // Label8
    QLabel* panStepCaption_;       // Label9
    QLabel* selectHintLabel_;      // Label10
    QPushButton *zoom2Button_, *zoom1Button_, *zoom1SetButton_, *zoom2SetButton_;  // Command1, 2, 8, 9
    QPushButton *nextSelectionButton_, *previousSelectionButton_;                  // Command3, 4
    QPushButton *addSelectionButton_, *removeSelectionButton_;                     // Command5, 6
    QPushButton* zoomToSelectionButton_;                                           // Command7
    QPushButton *meanButton_, *keyHelpButton_, *keyHelpCloseButton_;               // Command10, 41, 42
    std::array<QScrollBar*, 4> stepBars_{};  // VScroll1..VScroll4: moved by F3, F4, F6, F7 only
    QFrame* keyHelpFrame_;                   // Frame9
    QVBoxLayout* sidePanel_;                 // where the other frames go

    // Widgets of the other frames that the start-up and ff set; null until built.
    QListWidget* styleList_ = nullptr;              // List2, the style page's "Object List:"
    QComboBox* lateralOrderList_ = nullptr;         // Combo4
    QWidget* colourSample_ = nullptr;               // Picture1
    QWidget* canvasSample_ = nullptr;               // Picture3
    QLineEdit* customLengthBox_ = nullptr;          // Text6
    std::array<QRadioButton*, 4> lengthOptions_{};  // Option1_0 to Option1_3
    QCheckBox* monoSheetCheck_ = nullptr;           // Check4, "Mono sheet"
};

}  // namespace vd
