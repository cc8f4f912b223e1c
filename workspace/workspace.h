// The design workspace "VORLAN": the button row and File menu, the message
// log, progress bar and status bar, the import frames, and the two hosted
// views, the table editor (FLEX1) and the profile view (prof1).
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/model.h"
#include "platform/dialogs.h"
#include "workspace/excel_import.h"
#include "workspace/import_columns.h"
#include "workspace/text_import.h"
#include "workspace/workspace_layout.h"

class QAction;
class QCheckBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

namespace vd {

class CadApplication;
class EscKeyPoll;
class CriteriaPages;
class GridHost;
class ProfileHost;

// Gives a widget its latest state at most once a frame. A long command
// keeps the event loop waiting, so a widget shows a state only by being
// given it, and giving it every state of a long run costs more than the run:
// a request a frame or more after the last hand-over hands over at once; one
// within the frame is handed over by the next request after it or, when the
// window runs again, by a timer at its end.
class OncePerFrame {
public:
    static constexpr qint64 kFrameMs = 40;
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;

    OncePerFrame(QObject* owner, std::function<void()> handOver);
    void request(bool atOnce = false);
    // The clock every gate measures its frames by; an empty one restores the
    // steady clock. Tests set their own, so that a frame passes when they say
    // and not when a busy machine lets it.
    static void SetClock(Clock clock);

private:
    void fire();
    static Clock& clock();  // empty: the steady clock
    static qint64 now();
    std::function<void()> handOver_;
    std::optional<qint64> lastHandOver_;  // on the clock; none yet: the first request hands over
    QTimer* timer_;                       // hands over at the end of the frame
};

// The engine's messages, on the workspace's widgets.
class WorkspaceUi : public UiSink {
public:
    WorkspaceUi(QPlainTextEdit* log, QLabel* status, QProgressBar* progress, Dialogs& dialogs);
    void AppendLog(const std::string& message) override;
    void SetStatus(const std::string& text) override;
    void SetProgress(int value) override;
    void SetProgressVisible(bool visible) override;
    void MessageBox(const std::string& text) override;

    const std::string& logText() const { return text_; }
    const std::string& statusText() const { return status_text_; }
    // The progress last given; the bar shows it within a frame.
    int progress() const { return progressValue_; }

private:
    void showLog();
    static constexpr int kResetPollMs = 40;
    QPlainTextEdit* log_;
    QLabel* status_;
    QProgressBar* progress_;
    Dialogs& dialogs_;
    std::string text_;
    std::string status_text_;
    int progressValue_ = 0;
    OncePerFrame progressPaint_;  // every value is kept; the bar gets the last
    QTimer* progressReset_;       // the bar goes back to 0 once the command returns
    OncePerFrame logPaint_;       // the box gets the kept log
};

// The caption of the status bar's first panel while a grid view is open, and
// after it closes.
inline const std::string kGridOpenStatus = "Data" + std::string(24, ' ');
inline const std::string kGridClosedStatus = std::string(29, ' ');

// The views a workspace hosts, both required. The workspace takes ownership.
struct WorkspaceViews {
    GridHost* grid = nullptr;
    ProfileHost* profile = nullptr;
};

class Vorlan : public QWidget {
    Q_OBJECT
public:
    using Views = WorkspaceViews;
    Vorlan(Model& m, Dialogs& dialogs, QWidget* parent, Views views);
    ~Vorlan() override;

    // Button row.
    void Command1_Click();   // "File"
    void Command14_Click();  // "XLS"
    void Command10_Click();  // "Save As"
    void Command4_Click();   // "SEWER"
    void Command2_Click();   // "Process"
    void Command3_Click();   // "Profile"
    void Command11_Click();  // "ACAD"
    void Command13_Click();  // "Latral"
    void Command5_Click();   // "About"
    void Command9_Click();   // "----", the grid's close box
    // File menu.
    void mnuopen_Click() { openvrl(); }
    void mnuimport_Click();
    void mnuprf_Click() { mnuprfopen(); }
    void mnuexcel_Click();
    void mnuexcelbook_Click();  // "Get EXCEL Book": the workbook import
    void mnugetacad_Click();
    void mnublock_Click();
    void mnusave_Click();
    void mnusaveas_Click() { mnusaveas(); }
    // Import frames.
    void Command12_Click();  // text import
    void Command15_Click();  // close the Excel import frame
    void Command16_Click();  // "save col#"
    void Command20_Click();  // Excel line import of the active sheet
    // Lines, pipe sizes and criteria from a workbook's SEWER, DIA and PROJECT sheets.
    void ImportExcelWorkbook();

    void openvrl();
    void mnusaveas();
    void mnuprfopen();

    // The views' Hide notifications: the close steps of each view.
    void FLEX1_Hide();
    void prof1_Hide();
    void UserControl_Resize();

    // Opens the design-criteria panel on its Title page, or stores and
    // closes it when open.
    void ShowProjectSettings();

    // The main window's state for the profile view's drawing commands:
    // 0 normal, 1 minimized, 2 maximized.
    void Form1WindowState(int state);

    // Before the program closes, and before a command replaces the network:
    // stores the grid's open cell, then asks about network changes not saved
    // since the last Open or save. False when the user cancels or the open
    // cell's text was refused.
    bool maybeSaveNetwork();

    // Tests: the Esc poll of the workbook reads (owned by the caller).
    void setWorkbookEscKeys(EscKeyPoll* keys) { escKeys_ = keys; }

    // Where "import.col" is read and written.
    QString importColumnsPath() const { return importColumnsPath_; }
    void setImportColumnsPath(const QString& path) { importColumnsPath_ = path; }
    void ReadImportColumnMap();
    ImportColumnMap importColumnMap() const;
    void setImportColumnMap(const ImportColumnMap& map);
    std::array<bool, kTextImportFields> textImportTicks() const;
    // The Excel import frame's "Start import at row :" (Text3) and "Start
    // text at :" (Text4) boxes, as typed.
    QString importStartRowText() const;
    QString importStartTextText() const;

    // The one CAD application of the program (AcadApp, AcadDoc, AcadModelSpace).
    CadApplication& AcadApp() { return *cad_; }

    Model& model() { return m_; }
    WorkspaceUi& ui() { return *ui_; }
    std::string statusText() const { return ui_->statusText(); }
    const std::string& logText() const { return ui_->logText(); }
    WorkspaceGeometry geometryTwips() const { return geometry_; }
    // The width that shows every caption: the window opens at least this wide.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void UserControl_Initialize();
    // Gives every child its form name as objectName.
    void nameChildren();
    void buildExcelImportFrame();
    ExcelLineSettings excelLineSettings() const;
    void buildImportFrame();
    void buildMenu();
    void buildAbout();
    void gridToggle(bool lateral);
    void setCaption(const QString& caption);
    // The first step of every command that saves, processes or replaces
    // the network, and of closing: the grid's open view and open cell are
    // stored. False when a text was refused (the user has been told): the
    // command stops.
    bool storeOpenCell();
    // Save and Save As after that step.
    void saveNetwork();
    void saveNetworkAs();
    // Writes ProjectName.asb, and its ".cor" beside it when the lines have
    // plan coordinates; true when the network file was written.
    bool saveProject();
    // The network now matches the file at path.
    void networkSaved(const std::string& path);
    bool networkUnsaved() const;
    void report(const std::string& what, const std::exception& e);
    // Folder for the Process backup: the project folder, or for a network
    // that has none yet the per-user data folder.
    std::string backupFolder() const;
    void applyGeometry();
    // Runs a workbook read with progress and Esc; a cancel is left in the status.
    Outcome readWorkbook(const std::function<Outcome(const WorkbookProgress&)>& read);

    Model& m_;
    Dialogs& dialogs_;
    QLabel* statusPanel1_;
    std::unique_ptr<WorkspaceUi> ui_;
    std::unique_ptr<CadApplication> cad_;
    WorkspaceGeometry geometry_;
    QString importColumnsPath_;
    // The children. Each carries its form name as objectName ("Command4",
    // "Text5(3)", "mnuopen"), by which tests find it.
    QPushButton *fileButton_, *xlsButton_, *saveAsButton_, *sewerButton_, *processButton_, *profileButton_,
        *acadButton_, *lateralButton_, *aboutButton_, *gridCloseButton_;
    QCheckBox* manholeTypeCheck_;
    QPlainTextEdit* logBox_;
    QProgressBar* progressBar_;
    QStatusBar* statusBar_;
    GridHost* grid_;
    ProfileHost* profile_;
    QGroupBox* excelImportFrame_;
    QGroupBox* importFrame_;
    std::array<QLineEdit*, kImportFields> columnBoxes_{};
    std::array<QCheckBox*, kImportFields> columnChecks_{};
    QLineEdit *startRowBox_, *startTextBox_;
    QPushButton *excelCloseButton_, *saveColumnsButton_, *excelImportButton_;
    std::array<QCheckBox*, kTextImportFields> textFieldChecks_{};
    QPushButton* textImportButton_;
    QMenu* fileMenu_;
    QAction *openAction_, *importAction_, *prfAction_, *excelAction_, *getAcadAction_, *getBlockAction_,
        *saveAction_, *saveAsAction_, *setExcelAction_, *setAcadAction_, *excelBookAction_, *criteriaAction_;
    // The design-criteria panel (TabStrip1, Frame1, Frame3, Command8).
    CriteriaPages* criteriaPages_ = nullptr;
    QDialog* aboutBox_;
    bool closingGrid_ = false;  // the close box is hiding the grid
    // The network file the lines were last read from or saved to ("" after
    // an import), and a digest of the lines as they were then.
    std::string networkFile_;
    std::uint64_t savedFingerprint_ = 0;
    EscKeyPoll* escKeys_ = nullptr;
};

}  // namespace vd
