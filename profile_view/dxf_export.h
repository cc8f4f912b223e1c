// The DXF export commands of the profile view: "DXF" writes the shown sheet
// into one file, "Make dxf" writes every sheet of the sheet list, a given
// number of sheets to a file, each file chosen in its own dialog. A sheet is
// drawn by the sheet routine in draw mode 2; within a file the j-th sheet
// (from 0) lies 800·(j+1) above the file's origin.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model.h"
#include "engine/outcome.h"
#include "platform/dialogs.h"
#include "profile_drawing/context.h"
#include "profile_drawing/dxf_output.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vd {

class ProfileControl;

inline constexpr const char* kDxfDialogTitle = "Save DXF";
inline constexpr const char* kDxfDialogFilter = "DXF File (*.dxf)|*.dxf";
inline constexpr const char* kOverwriteQuestion = " Overwrite ?";
inline constexpr const char* kDialogCancelled = "Cancel was selected.";
// Height of one sheet's place in a batch file, in file units.
inline constexpr double kDxfSheetStep = 800;

// The sheets-per-file box: its number to the nearest whole number; 0, a
// negative number or a text that is not one number is refused with a
// message naming the box.
inline constexpr const char* kSheetsPerFileBoxName = "Sheets per file";
struct SheetsPerFile {
    bool ok = false;
    int count = 0;
    std::string message;
};
SheetsPerFile ReadSheetsPerFile(std::string_view text);

// The sheets of one batch file, first to last list entry.
struct DxfBatchFile {
    int first = 0;
    int last = 0;
};
std::vector<DxfBatchFile> PlanDxfBatch(int sheets, int perFile);
// Y offset of the j-th sheet of a batch file.
inline double DxfBatchOffsetY(int j) { return kDxfSheetStep * (j + 1); }

// One DXF file at a time, as the commands open, fill and close it.
class DxfExport {
public:
    DxfExport(Model& m, ProfileViewState& v, Dialogs& dialogs) : m_(m), v_(v), dialogs_(dialogs) {}

    // Caption of the label "To"; without its leading blanks it ends the
    // offered file name ("DXF-To").
    std::string Label1Caption = "To";
    // The text mnuDXF took from the label.
    std::string LabelText;

    // Asks for the file ("Save DXF") and, for an existing one, " Overwrite ?"
    // (No the default); then starts the file with its section header. Cancel,
    // No, or a folder that cannot take the file leave nothing open; all but No
    // and an empty name are shown.
    bool mnuDXF();
    // Draws the view's current sheet into the open file at the current offsets.
    void DrawSheet();
    // Writes the ending and saves the file; a failed save or marks that could
    // not be written are shown and give false. Nothing open: false, silently.
    bool CloseFile();
    bool isOpen() const { return writer_.isOpen(); }
    const std::string& path() const { return path_; }

    // "DXF": the current sheet into one file, from offsets 0.
    bool ExportCurrentSheet();

    // "Make dxf" over `entries` list entries, perFileText sheets a file.
    // selectSheet(i) makes entry i the view's shown sheet. A file refused or
    // cancelled is skipped with its sheets and the batch goes on.
    struct BatchResult {
        bool started = false;  // the box held a usable count
        bool boxRefused = false;  // the box did not, and said so
        int filesWritten = 0;
        int filesSkipped = 0;
        int filesFailed = 0;
        int sheetsWritten = 0;
    };
    BatchResult ExportAllSheets(int entries, std::string_view perFileText, const std::function<void(int)>& selectSheet);

private:
    Model& m_;
    ProfileViewState& v_;
    Dialogs& dialogs_;
    DxfProfileWriter writer_;
    std::string path_;
    std::vector<std::string> skipped_;
};

// The export buttons of the view: "DXF" (Command15), "Make dxf" (Command11)
// with its sheets-per-file box Text12.
class DxfExportCommands : public QWidget {
    Q_OBJECT
public:
    explicit DxfExportCommands(ProfileControl& view, QWidget* parent = nullptr);

    void Command15_Click();  // "DXF"
    void Command11_Click();  // "Make dxf"; the key S too
    DxfExport& exporter() { return export_; }

private:
    // Hands over the Draw frame's "To" label once both frames exist.
    friend void AttachExportFrames(ProfileControl& control);

    void TakeLabelCaption();
    ProfileControl& view_;
    DxfExport export_;
    // The children, by their form names as objectName.
    QPushButton* dxfButton_;       // Command15
    QPushButton* makeDxfButton_;   // Command11
    QLineEdit* sheetsPerFileBox_;  // Text12
    std::string sheetsPerFile_ = "10";  // its text the last batch took
    // The "To" label (Label1) of the Draw frame's sheet choice, whose caption
    // ends the offered name; null until that frame exists.
    QLabel* toLabel_ = nullptr;
};

}  // namespace vd
