#include "profile_view/dxf_export.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <filesystem>
#include <unistd.h>

#include "engine/fixed_text.h"
#include "engine/number_text.h"
#include "profile_drawing/sheet_routine.h"
#include "profile_view/edit_boxes.h"
#include "profile_view/profile_control.h"
#include "profile_view/selection.h"

namespace vd {

namespace fs = std::filesystem;

namespace {

std::string Latin1(const QString& s) { return s.toLatin1().toStdString(); }
QString FromLatin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }

std::string TrimLeading(const std::string& s) {
    const std::size_t at = s.find_first_not_of(' ');
    return at == std::string::npos ? std::string() : s.substr(at);
}

// Why a file cannot be made at path, or "" when its folder can take it.
std::string FolderProblem(const std::string& path) {
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return "The folder " + folder.string() + " does not exist.";
    if (::access(folder.c_str(), W_OK) != 0) return "The folder " + folder.string() + " cannot be written to.";
    if (fs::is_directory(path, ec)) return path + " is a folder.";
    return {};
}

}  // namespace

SheetsPerFile ReadSheetsPerFile(std::string_view text) {
    SheetsPerFile r;
    const OneNumber typed = ReadBox(text);
    if (typed.kind != OneNumber::Number) {
        r.message = BoxRefusal(kSheetsPerFileBoxName, text, typed.kind, "no file was written");
        return r;
    }
    const double n = RoundHalfEven(typed.value);
    if (n < 1) {
        r.message = std::string(kSheetsPerFileBoxName) + ": \"" + Trim(text) +
                    "\" is no whole number of at least 1; no file was written.";
        return r;
    }
    r.ok = true;
    // More than there can ever be sheets means one file for all of them.
    r.count = n > 1e6 ? 1000000 : static_cast<int>(n);
    return r;
}

std::vector<DxfBatchFile> PlanDxfBatch(int sheets, int perFile) {
    std::vector<DxfBatchFile> files;
    if (perFile < 1) return files;
    for (int first = 0; first < sheets; first += perFile) files.push_back({first, std::min(sheets, first + perFile) - 1});
    return files;
}

// ---- one file -------------------------------------------------------------------

bool DxfExport::mnuDXF() {
    LabelText = TrimLeading(Label1Caption);
    std::optional<QString> chosen =
        dialogs_.SaveFile(kDxfDialogTitle, kDxfDialogFilter, FromLatin1("DXF-" + LabelText));
    if (!chosen) {
        dialogs_.Message(kDialogCancelled);
        return false;
    }
    std::string path = Latin1(*chosen);
    if (path.empty()) return false;
    if (fs::path(path).extension().empty()) path += ".dxf";
    std::error_code ec;
    if (fs::exists(path, ec) && !dialogs_.AskYesNo(kOverwriteQuestion, false)) return false;
    const std::string problem = FolderProblem(path);
    if (!problem.empty()) {
        dialogs_.Message(FromLatin1(problem + " The DXF file " + path + " is not written."));
        return false;
    }
    // The file is written as its sheets are drawn, and takes the place of
    // any earlier one only once it is whole.
    if (Outcome begun = writer_.BeginFile(path); !begun) {
        dialogs_.Message(FromLatin1("The DXF file was not written. " + begun.message()));
        return false;
    }
    path_ = path;
    skipped_.clear();
    return true;
}

void DxfExport::DrawSheet() {
    if (!writer_.isOpen()) return;
    OutputSet out;
    out.Dxf = &writer_;
    v_.DrawMode = kDrawDxf;
    Outcome o = Outcome::Ok();
    try {
        o = scrp(m_, v_, out);
    } catch (const std::exception& e) {
        o = Outcome::Fail(e.what());
    }
    v_.DrawMode = kDrawCanvas;
    if (!o.ok()) skipped_.push_back("sheet " + std::to_string(v_.SheetIndex) + ": " + o.message());
}

bool DxfExport::CloseFile() {
    if (!writer_.isOpen()) return false;
    writer_.End();
    Outcome saved = writer_.Commit();
    if (!saved.ok()) {
        dialogs_.Message(FromLatin1("The DXF file was not written. " + saved.message()));
        return false;
    }
    if (!skipped_.empty()) {
        dialogs_.Message(FromLatin1("The DXF file " + path_ + " is incomplete: " + std::to_string(skipped_.size()) +
                                    " sheet(s) could not be written whole. First: " + skipped_.front()));
        return false;
    }
    return true;
}

bool DxfExport::ExportCurrentSheet() {
    // A batch leaves its offsets behind; a single sheet starts at the origin.
    m_.DxfOffsetX = 0.0;
    m_.DxfOffsetY = 0.0;
    if (!mnuDXF()) return false;
    DrawSheet();
    const bool ok = CloseFile();
    if (ok) m_.Ui->SetStatus("DXF file written: " + path_);
    return ok;
}

DxfExport::BatchResult DxfExport::ExportAllSheets(int entries, std::string_view perFileText,
                                                 const std::function<void(int)>& selectSheet) {
    BatchResult result;
    if (entries <= 0) return result;
    const SheetsPerFile k = ReadSheetsPerFile(perFileText);
    if (!k.ok) {
        dialogs_.Message(FromLatin1(k.message));
        result.boxRefused = true;
        return result;
    }
    result.started = true;
    const std::vector<DxfBatchFile> files = PlanDxfBatch(entries, k.count);
    m_.Ui->SetProgressVisible(true);
    for (const DxfBatchFile& file : files) {
        m_.DxfOffsetX = 0.0;
        m_.DxfOffsetY = 0.0;
        if (!mnuDXF()) {
            ++result.filesSkipped;
            continue;
        }
        for (int i = file.first; i <= file.last; ++i) {
            selectSheet(i);
            m_.DxfOffsetY = DxfBatchOffsetY(i - file.first);
            DrawSheet();
            m_.Ui->SetProgress(static_cast<int>(100.0 * (i + 1) / entries));
        }
        if (CloseFile()) {
            ++result.filesWritten;
            result.sheetsWritten += file.last - file.first + 1;
        } else {
            ++result.filesFailed;
        }
    }
    m_.Ui->SetProgress(0);
    std::string status = "Make dxf: " + std::to_string(result.sheetsWritten) + " sheet(s) in " +
                         std::to_string(result.filesWritten) + " file(s)";
    if (result.filesSkipped) status += ", " + std::to_string(result.filesSkipped) + " file(s) skipped";
    if (result.filesFailed) status += ", " + std::to_string(result.filesFailed) + " file(s) failed";
    m_.Ui->SetStatus(status + ".");
    return result;
}

// ---- the buttons -------------------------------------------------------------------

DxfExportCommands::DxfExportCommands(ProfileControl& view, QWidget* parent)
    : QWidget(parent), view_(view), export_(view.model(), view.view(), view.dialogs()) {
    setObjectName("dxfCommands");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    dxfButton_ = new QPushButton("DXF", this);
    dxfButton_->setObjectName("Command15");
    dxfButton_->setToolTip("Make Dxf File");
    makeDxfButton_ = new QPushButton("Make dxf", this);
    makeDxfButton_->setObjectName("Command11");
    sheetsPerFileBox_ = new QLineEdit("10", this);
    sheetsPerFileBox_->setObjectName("Text12");
    sheetsPerFileBox_->setMaximumWidth(40);
    sheetsPerFileBox_->setToolTip("Sheets per file");
    for (QPushButton* b : {dxfButton_, makeDxfButton_}) b->setFocusPolicy(Qt::NoFocus);
    row->addWidget(dxfButton_);
    row->addWidget(makeDxfButton_);
    row->addWidget(sheetsPerFileBox_);
    row->addStretch(1);
    connect(dxfButton_, &QPushButton::clicked, this, &DxfExportCommands::Command15_Click);
    connect(makeDxfButton_, &QPushButton::clicked, this, &DxfExportCommands::Command11_Click);
}

void DxfExportCommands::TakeLabelCaption() {
    if (toLabel_) export_.Label1Caption = Latin1(toLabel_->text());
}

void DxfExportCommands::Command15_Click() {
    TakeLabelCaption();
    export_.ExportCurrentSheet();
    view_.Redraw();
}

void DxfExportCommands::Command11_Click() {
    TakeLabelCaption();
    ProfileViewState& v = view_.view();
    const std::string perFile = Latin1(sheetsPerFileBox_->text());
    const DxfExport::BatchResult r = export_.ExportAllSheets(view_.sheetListCount(), perFile, [&](int i) {
        ShowSheet(v, view_.model(), i);
        view_.SyncSheetList(i);
    });
    // A refused count puts back the one the box held before.
    if (r.boxRefused) sheetsPerFileBox_->setText(FromLatin1(sheetsPerFile_));
    if (r.started) sheetsPerFile_ = perFile;
    view_.Redraw();
}

}  // namespace vd
