#include "workspace/workspace.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/whole_file.h"
#include "cad/cad_document.h"
#include "workspace/acad_commands.h"
#include "workspace/grid_host.h"
#include "workspace/lateral_names.h"
#include "workspace/line_rows.h"
#include "workspace/manhole_types.h"
#include "workspace/profile_host.h"
#include "workspace/program_folder.h"

namespace vd {

namespace {

const char* const kAsbFilter = "profile File (*.asb)|*.asb";
const int kDesignWidth = 13350;
const int kDesignHeight = 8670;

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

QPushButton* MakeButton(QWidget* parent, const char* caption, int l, int t, int w, int h) {
    auto* b = new QPushButton(caption, parent);
    b->setGeometry(PxRect(l, t, w, h));
    b->setAutoDefault(false);
    return b;
}

QLabel* MakeLabel(QWidget* parent, const char* text, int l, int t, int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(PxRect(l, t, w, h));
    return label;
}

// The first row is a line row "L,...".
bool HasLineRow(const std::string& bytes) {
    std::size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t')) ++i;
    if (i >= bytes.size() || (bytes[i] != 'L' && bytes[i] != 'l')) return false;
    ++i;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t')) ++i;
    return i < bytes.size() && bytes[i] == ',';
}

}  // namespace

// ---- the engine's messages on the widgets -------------------------------

namespace {

// Characters of a log text as the box shows it: each CR LF one line break.
std::size_t ShownLength(std::string_view raw) {
    std::size_t pairs = 0;
    for (std::size_t p = raw.find("\r\n"); p != std::string_view::npos; p = raw.find("\r\n", p + 2)) ++pairs;
    return raw.size() - pairs;
}

}  // namespace

void WorkspaceUi::AppendLog(const std::string& message) {
    const std::string before = text_;
    AppendLogText(text_, message);
    // The kept text is a tail of what was there, then the message. Taking the
    // dropped head off the box and adding the message keeps a long run from
    // laying out the whole log again for every line.
    const std::string_view tail = std::string_view(before).substr(before.size() - (text_.size() - message.size() - 2));
    bool inStep = message.find_first_of("\r\n") == std::string::npos && tail.ends_with("\r\n") &&
                  tail.front() != '\n';
    if (inStep) {
        QTextCursor cursor(log_->document());
        const int dropped = static_cast<int>(ShownLength(before) - ShownLength(tail));
        if (dropped > 0) {
            cursor.setPosition(0);
            cursor.setPosition(dropped, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        cursor.movePosition(QTextCursor::End);
        cursor.insertText("\n" + Latin1(message));
        // Line breaks inside earlier messages put the box out of step.
        inStep = log_->document()->characterCount() == static_cast<int>(ShownLength(text_));
    }
    if (!inStep) {
        QString shown = Latin1(text_);
        shown.replace("\r\n", "\n");
        if (shown.endsWith('\n')) shown.chop(1);
        log_->setPlainText(shown);
    }
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

void WorkspaceUi::SetStatus(const std::string& text) {
    status_text_ = text;
    status_->setText(Latin1(text));
}

void WorkspaceUi::SetProgress(int value) {
    value = std::clamp(value, 0, 100);
    // A long command keeps the event loop waiting, so the bar shows a value
    // only by painting at once; painting every value of a long run costs more
    // than the run. The bar takes every value but paints at most at display
    // rate; the rest it paints when the command ends. The reset to 0 shows at once.
    constexpr qint64 kFrameMs = 16;
    if (value != 0 && progressClock_.isValid() && progressClock_.elapsed() < kFrameMs) {
        progress_->setUpdatesEnabled(false);
        progress_->setValue(value);
        progress_->setUpdatesEnabled(true);
        return;
    }
    progress_->setValue(value);
    progressClock_.start();
}
void WorkspaceUi::SetProgressVisible(bool visible) { progress_->setVisible(visible); }
void WorkspaceUi::MessageBox(const std::string& text) { dialogs_.Message(Latin1(text)); }

// ---- start-up ------------------------------------------------------------

Vorlan::Vorlan(Model& m, Dialogs& dialogs, QWidget* parent, Views views)
    : QWidget(parent), m_(m), dialogs_(dialogs) {
    setObjectName("VORLAN1");
    resize(Px(kDesignWidth), Px(kDesignHeight));

    Command1 = MakeButton(this, "File", 10, 0, 615, 375);
    Command14 = MakeButton(this, "XLS", 720, 0, 495, 375);
    Command10 = MakeButton(this, "Save As", 1320, 0, 855, 375);
    Command4 = MakeButton(this, "SEWER", 2280, 0, 855, 375);
    Command2 = MakeButton(this, "Process", 3240, 0, 1095, 375);
    Command3 = MakeButton(this, "Profile", 4440, 0, 735, 375);
    Command11 = MakeButton(this, "ACAD", 5280, 0, 855, 375);
    Command13 = MakeButton(this, "Latral", 6240, 0, 855, 375);
    Command5 = MakeButton(this, "About", 7200, 0, 735, 375);
    Check3 = new QCheckBox("Mh Type", this);
    Check3->setGeometry(PxRect(11160, 0, 1095, 495));
    Command3->setEnabled(false);
    Command11->setEnabled(false);
    Command13->setEnabled(false);

    Textwin = new QPlainTextEdit(this);
    Textwin->setObjectName("Textwin");
    Textwin->setGeometry(PxRect(120, 480, 6735, 1125));
    Textwin->setReadOnly(true);
    Textwin->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Textwin->setLineWrapMode(QPlainTextEdit::NoWrap);
    {
        QPalette p = Textwin->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Midlight));
        Textwin->setPalette(p);
    }

    FLEX1 = views.grid ? views.grid : new PlaceholderGrid;
    FLEX1->setParent(this);
    FLEX1->setGeometry(PxRect(1440, 1560, 7215, 3855));
    FLEX1->QWidget::setVisible(false);
    prof1 = views.profile ? views.profile : new PlaceholderProfile;
    prof1->setParent(this);
    prof1->setGeometry(PxRect(0, 360, 1335, 7935));
    prof1->QWidget::setVisible(false);

    Command9 = MakeButton(this, "----", 8280, 1560, 255, 255);
    Command9->hide();

    buildFrame2();
    buildFrame4();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    statusPanel1_ = new QLabel(StatusBar1);
    statusPanel1_->setObjectName("panel1");
    statusPanel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar1->addWidget(statusPanel1_, 1);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    buildMenu();
    buildAbout();

    connect(Command1, &QPushButton::clicked, this, &Vorlan::Command1_Click);
    connect(Command14, &QPushButton::clicked, this, &Vorlan::Command14_Click);
    connect(Command10, &QPushButton::clicked, this, &Vorlan::Command10_Click);
    connect(Command4, &QPushButton::clicked, this, &Vorlan::Command4_Click);
    connect(Command2, &QPushButton::clicked, this, &Vorlan::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Vorlan::Command3_Click);
    connect(Command11, &QPushButton::clicked, this, &Vorlan::Command11_Click);
    connect(Command13, &QPushButton::clicked, this, &Vorlan::Command13_Click);
    connect(Command5, &QPushButton::clicked, this, &Vorlan::Command5_Click);
    connect(Command9, &QPushButton::clicked, this, &Vorlan::Command9_Click);
    connect(FLEX1, &GridHost::Hide, this, &Vorlan::FLEX1_Hide);
    connect(prof1, &ProfileHost::Hide, this, &Vorlan::prof1_Hide);

    ui_ = std::make_unique<WorkspaceUi>(Textwin, statusPanel1_, ProgressBar1, dialogs_);
    cad_ = std::make_unique<CadApplication>();
    importColumnsPath_ = ProgramFolderFor("import.col") + "import.col";
    UserControl_Initialize();
    savedFingerprint_ = NetworkFingerprint(m_);
}

Vorlan::~Vorlan() {
    // The model outlives the window's widgets.
    if (m_.Ui == ui_.get()) m_.SetUi(nullptr);
    disconnect(FLEX1, nullptr, this, nullptr);
    disconnect(prof1, nullptr, this, nullptr);
}

void Vorlan::UserControl_Initialize() {
    // The tables already exist, sized 0..2000, in the model.
    m_.SetUi(ui_.get());
    geometry_ = WorkspaceGeometry{};
    if (kDesignHeight > 500) geometry_.prof1.setHeight(kDesignHeight);
    if (kDesignWidth > 500) geometry_.prof1.setWidth(kDesignWidth);
    geometry_.progressTop = kDesignHeight - 300;
    applyGeometry();
    ReadImportColumnMap();
}

void Vorlan::ReadImportColumnMap() {
    ImportColumnMap map = importColumnMap();
    if (ReadImportColumns(EnginePath(importColumnsPath_), map)) setImportColumnMap(map);
}

void Vorlan::buildFrame2() {
    Frame2 = new QGroupBox("Import  XLS", this);
    Frame2->setGeometry(PxRect(1800, 2160, 3615, 5175));
    // The frame was laid out for a small dialog font; a wide default font
    // would run its captions into the boxes.
    QFont small = Frame2->font();
    small.setPixelSize(10);
    Frame2->setFont(small);
    MakeLabel(Frame2, "Col# :", 240, 360, 480, 240);
    MakeLabel(Frame2, "check:", 720, 360, 600, 240);
    MakeLabel(Frame2, "Name:", 1320, 360, 600, 240);
    ImportColumnMap defaults;
    for (int k = 0; k < kImportFields; ++k) {
        Text5[k] = new QLineEdit(QString::fromStdString(defaults.column[k]), Frame2);
        Text5[k]->setGeometry(PxRect(240, 600 + 240 * k, 375, 210));
        Text5[k]->setTextMargins(0, 0, 0, 0);
        Check1[k] = new QCheckBox(kImportFieldCaptions[k], Frame2);
        Check1[k]->setGeometry(PxRect(960, 600 + 240 * k, 1335, 225));
        Check1[k]->setChecked(true);
    }
    // Runs a little left of its place, so that the caption ends at its box.
    MakeLabel(Frame2, "Start text at :", 1800, 720, 1065, 240)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text4 = new QLineEdit("1", Frame2);
    Text4->setGeometry(PxRect(2880, 720, 495, 225));
    MakeLabel(Frame2, "Start import at row :", 240, 4200, 1560, 240);
    Text3 = new QLineEdit("2", Frame2);
    Text3->setGeometry(PxRect(1800, 4200, 735, 225));
    Command15 = MakeButton(Frame2, "Close", 240, 4560, 855, 375);
    Command16 = MakeButton(Frame2, "save col#", 1200, 4560, 975, 375);
    Command20 = MakeButton(Frame2, "Import", 2280, 4560, 975, 375);
    connect(Command15, &QPushButton::clicked, this, &Vorlan::Command15_Click);
    connect(Command16, &QPushButton::clicked, this, &Vorlan::Command16_Click);
    connect(Command20, &QPushButton::clicked, this, &Vorlan::Command20_Click);
    Frame2->hide();
}

void Vorlan::buildFrame4() {
    Frame4 = new QGroupBox("Import", this);
    Frame4->setGeometry(PxRect(6720, 1800, 1935, 3975));
    for (int k = 0; k < kTextImportFields; ++k) {
        Check2[k] = new QCheckBox(kTextImportCaptions[k], Frame4);
        Check2[k]->setGeometry(PxRect(360, 360 + 240 * k, 1335, 240));
        Check2[k]->setChecked(k < 10);
    }
    Command12 = MakeButton(Frame4, "Import", 240, 3360, 975, 495);
    connect(Command12, &QPushButton::clicked, this, &Vorlan::Command12_Click);
    Frame4->hide();
}

void Vorlan::buildMenu() {
    mnufile = new QMenu(this);
    mnuopen = mnufile->addAction("Open", this, &Vorlan::mnuopen_Click);
    mnuimport = mnufile->addAction("Import", this, &Vorlan::mnuimport_Click);
    mnuprf = mnufile->addAction("Get Prf", this, &Vorlan::mnuprf_Click);
    mnuexcel = mnufile->addAction("Get EXCEL", this, &Vorlan::mnuexcel_Click);
    mnugetacad = mnufile->addAction("Get ACAD", this, &Vorlan::mnugetacad_Click);
    mnublock = mnufile->addAction("Get ACAD Block", this, &Vorlan::mnublock_Click);
    mnufile->addSeparator();
    mnusave = mnufile->addAction("Save", this, &Vorlan::mnusave_Click);
    mnusaveas_ = mnufile->addAction("Save As", this, &Vorlan::mnusaveas_Click);
    mnusetexcel = mnufile->addAction("Set EXCEL");
    mnusetacad = mnufile->addAction("Set ACAD");
}

void Vorlan::buildAbout() {
    ABOUT = new QDialog(this);
    ABOUT->setWindowTitle("ABOUT");
    ABOUT->setModal(false);
    auto* layout = new QVBoxLayout(ABOUT);
    auto* credits = new QLabel("VIDODUV\nDesign of gravity sewer networks", ABOUT);
    credits->setAlignment(Qt::AlignCenter);
    layout->addWidget(credits);
    auto* close = new QPushButton("Close", ABOUT);
    layout->addWidget(close, 0, Qt::AlignHCenter);
    connect(close, &QPushButton::clicked, ABOUT, &QDialog::hide);
}

// ---- layout ----------------------------------------------------------------

void Vorlan::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    UserControl_Resize();
}

void Vorlan::UserControl_Resize() {
    WorkspaceResize(geometry_, width() * kTwipsPerPixel, height() * kTwipsPerPixel);
    applyGeometry();
}

void Vorlan::applyGeometry() {
    const QRect& p = geometry_.prof1;
    prof1->setGeometry(PxRect(p.left(), p.top(), p.width(), p.height()));
    const QRect& f = geometry_.flex1;
    FLEX1->setGeometry(PxRect(f.left(), f.top(), f.width(), f.height()));
    // The status bar stays at the workspace's foot, the progress bar over it.
    const int barHeight = Px(375);
    StatusBar1->setGeometry(0, height() - barHeight, width(), barHeight);
    ProgressBar1->setGeometry(PxRect(3480, geometry_.progressTop, 3735, 255));
    ProgressBar1->raise();
    if (!Command9->isHidden())
        Command9->setGeometry(PxRect(f.left() + f.width() - 300, f.top() + 10, 255, 255));
}

void Vorlan::Form1WindowState(int state) {
    QWidget* w = window();
    if (state == 1)
        w->showMinimized();
    else if (state == 2)
        w->showMaximized();
    else
        w->showNormal();
}

void Vorlan::setCaption(const QString& caption) { window()->setWindowTitle(caption); }

void Vorlan::report(const std::string& what, const std::exception& e) {
    ui_->MessageBox(what + FaultText(e));
}

std::string Vorlan::backupFolder() const {
    if (!m_.ProjectFolder.empty()) return m_.ProjectFolder;
    return EnginePath(UserDataFolder());
}

// ---- button row ------------------------------------------------------------

void Vorlan::Command1_Click() {
    Frame4->hide();
    mnufile->popup(mapToGlobal(QPoint(Px(100), Px(350))));
}

void Vorlan::Command14_Click() {
    Command10->setEnabled(false);
    m_.ProjectName.clear();
    Frame2->show();
    Frame2->raise();
    // Both views close through their own close steps.
    FLEX1->hide();
    prof1->hide();
}

void Vorlan::Command10_Click() { mnusaveas(); }
void Vorlan::Command4_Click() { gridToggle(false); }
void Vorlan::Command13_Click() { gridToggle(true); }

void Vorlan::gridToggle(bool lateral) {
    Textwin->hide();
    Frame2->hide();
    Frame4->hide();
    Command1->setEnabled(false);
    if (FLEX1->isHidden()) {
        ui_->SetStatus(kGridOpenStatus);
        prof1->hide();
        FLEX1->show();
        FLEX1->raise();
        StatusBar1->raise();
        ProgressBar1->raise();
        try {
            if (lateral)
                FLEX1->mnulatral();
            else
                FLEX1->mnusewer();
        } catch (const std::exception& e) {
            report("", e);
        }
        Command1->setEnabled(false);
        Command2->setEnabled(false);
        const QRect& f = geometry_.flex1;
        Command9->setGeometry(PxRect(f.left() + f.width() - 300, f.top() + 10, 255, 255));
        Command9->show();
        Command9->raise();
    } else {
        FLEX1->hide();
    }
}

void Vorlan::Command9_Click() {
    Command1->setEnabled(true);
    Command2->setEnabled(true);
    Command9->hide();
    // The close box leaves the status text as it stands.
    closingGrid_ = true;
    FLEX1->hide();
    closingGrid_ = false;
}

void Vorlan::FLEX1_Hide() {
    if (!closingGrid_) ui_->SetStatus(kGridClosedStatus);
    try {
        FLEX1->frm7upDATE();
    } catch (const std::exception& e) {
        report("", e);
    }
    Command9->hide();
    if (prof1->isHidden()) {
        Command1->setEnabled(true);
        Command2->setEnabled(true);
    }
}

void Vorlan::Command3_Click() {
    Textwin->hide();
    Frame4->hide();
    Frame2->hide();
    if (prof1->isHidden()) {
        prof1->show();
        prof1->raise();
        // The bars every long command reports through stay in sight.
        StatusBar1->raise();
        ProgressBar1->raise();
        try {
            prof1->ReloadSheetOptions();
            m_.SheetLayoutMode = CInt(m_.ObjectStyles[26].Color);
        } catch (const std::exception& e) {
            report("", e);
        }
        try {
            prof1->ff();
            prof1->Resize1();
        } catch (const std::exception& e) {
            report("", e);
        }
        Command1->setEnabled(false);
        Command2->setEnabled(false);
        Command11->setEnabled(false);
        FLEX1->hide();
    } else {
        prof1->hide();
    }
}

void Vorlan::prof1_Hide() {
    if (!FLEX1->isHidden()) return;
    Command1->setEnabled(true);
    Command2->setEnabled(true);
    Command11->setEnabled(false);
}

void Vorlan::Command11_Click() {
    try {
        (void)AcadPlanCommand(m_, *cad_);  // it reports to the user itself
    } catch (const std::exception& e) {
        AppendLog(m_, "ACAD: " + FaultText(e));
    }
}

void Vorlan::Command5_Click() {
    ABOUT->show();
    ABOUT->raise();
}

// ---- Process -----------------------------------------------------------------

void Vorlan::Command2_Click() {
    Textwin->show();
    AppendLog(m_, "Process");
    const std::string folder = backupFolder();
    if (folder.empty())
        AppendLog(m_, "No folder for the backup " + m_.ProjectName + "-3.bak");
    else
        (void)SaveNetworkText(m_, m_.ProjectName + "-3.bak", folder);  // reports its own failure
    Frame4->hide();
    try {
        BuildNetworkLinks(m_);
        NameLaterals(m_);
        int outcome = 0;
        ProcessNetwork(m_, outcome);
    } catch (const std::exception& e) {
        report("", e);
    }
    if (Check3->isChecked()) ApplyManholeTypes(m_);
    AppendLog(m_, "Process...");
    Command3->setEnabled(true);
    Command13->setEnabled(true);
    Command10->setEnabled(true);
    Command11->setEnabled(true);
}

// ---- open and save -----------------------------------------------------------

void Vorlan::openvrl() {
    std::optional<QString> chosen = dialogs_.OpenFile("Open Prof file", kAsbFilter);
    // A cancel is a cancel: nothing changes and nothing is said.
    if (!chosen || chosen->isEmpty()) return;
    try {
        const std::string path = EnginePath(QFileInfo(*chosen).absoluteFilePath());
        const PathParts parts = SplitProjectPath(path);
        std::string bytes;
        if (Outcome read = ReadWholeFile(path, bytes); !read) {
            ui_->MessageBox("OPEN" + read.message());
            return;
        }
        // NULs alone are never-assigned texts of older saves, which the reader
        // takes; it refuses other binary content itself.

        // The reader would take a file without line rows as an empty network
        // and back that up over the last good backup.
        if (!HasLineRow(bytes)) {
            ui_->MessageBox("OPEN" + std::string("The file holds no network lines; the network was not changed."));
            return;
        }

        // Read into a copy, so that a failed read leaves the network as it was.
        Model scratch = m_;
        ClearLineRows(scratch, std::max(HighestRowInUse(m_), m_.LineCount));
        scratch.ProjectFolder = parts.folder;
        scratch.ProjectName = parts.baseName;

        // The reader writes name.bak beside the network; when the file chosen is
        // that very backup, it goes to a folder of the program instead, with a
        // copy of the coordinates file beside it.
        QString redirected;
        if (parts.extension == ".bak") {
            QString data = UserDataFolder();
            if (!data.isEmpty() && QDir().mkpath(data + "opened-backups")) {
                redirected = data + "opened-backups/";
                const QString base = DisplayPath(parts.baseName);
                QFile::remove(redirected + base + ".cor");
                QString cor = DisplayPath(parts.folder) + base + ".cor";
                if (QFile::exists(cor)) QFile::copy(cor, redirected + base + ".cor");
                scratch.ProjectFolder = EnginePath(redirected);
            } else {
                ui_->MessageBox("OPEN" + std::string("No folder for the backup of the opened backup file"));
                return;
            }
        }

        if (!LoadNetworkText(scratch, path)) {
            AppendLog(m_, "Not opened: " + path + " (the network was not changed)");
            return;
        }

        if (!redirected.isEmpty())
            AppendLog(m_, "Backup of the opened file written to " + EnginePath(redirected));
        m_.Lines = scratch.Lines;
        m_.LineCount = scratch.LineCount;
        m_.LatCount = 0;
        m_.ProjectFolder = parts.folder;
        m_.ProjectName = parts.baseName;
        networkSaved(path);
        setCaption("DIRURUV - " + DisplayPath(m_.ProjectName));
        Command13->setEnabled(false);
        Command3->setEnabled(false);
    } catch (const std::exception& e) {
        report("OPEN", e);
    }
}

void Vorlan::mnusaveas() {
    std::optional<QString> chosen =
        dialogs_.SaveFile("Save As", kAsbFilter, DisplayPath(m_.ProjectName));
    if (!chosen || chosen->isEmpty()) return;
    const PathParts parts = SplitProjectPath(EnginePath(QFileInfo(*chosen).absoluteFilePath()));
    if (parts.baseName.empty()) return;
    const std::string target = parts.folder + parts.baseName + ".asb";
    if (QFileInfo::exists(DisplayPath(target)) && !dialogs_.AskYesNo(" Overwrite ?", false)) return;

    const std::string oldName = m_.ProjectName, oldFolder = m_.ProjectFolder;
    const QString oldCaption = window()->windowTitle();
    m_.ProjectFolder = parts.folder;
    m_.ProjectName = parts.baseName;
    setCaption("DIRURUV - " + DisplayPath(m_.ProjectName));
    const bool saved = saveProject();
    if (!saved) {
        // The project stays where it was; nothing claims the new name.
        m_.ProjectName = oldName;
        m_.ProjectFolder = oldFolder;
        setCaption(oldCaption);
        return;
    }
    setCaption("VORLAN  " + DisplayPath(m_.ProjectName));
}

void Vorlan::mnusave_Click() {
    if (m_.ProjectName.empty()) {
        mnusaveas();
        return;
    }
    // A network imported since the last Open must not replace the opened
    // file unasked.
    const std::string target = m_.ProjectFolder + m_.ProjectName + ".asb";
    if (target != networkFile_ && QFileInfo::exists(DisplayPath(target)) &&
        !dialogs_.AskYesNo(" Overwrite ?", false))
        return;
    saveProject();
}

bool Vorlan::saveProject() {
    try {
        // The saved rows may come in a new order; the coordinates go with them.
        Outcome saved = SaveProject(m_, m_.ProjectName, m_.ProjectFolder);
        if (!saved) {
            AppendLog(m_, saved.message());
            return false;
        }
        networkSaved(m_.ProjectFolder + m_.ProjectName + ".asb");
        return true;
    } catch (const std::exception& e) {
        report("", e);
        return false;
    }
}

void Vorlan::networkSaved(const std::string& path) {
    networkFile_ = path;
    savedFingerprint_ = NetworkFingerprint(m_);
}

bool Vorlan::networkUnsaved() const { return NetworkFingerprint(m_) != savedFingerprint_; }

bool Vorlan::maybeSaveNetwork() {
    if (!networkUnsaved()) return true;
    switch (dialogs_.AskSaveChanges("The network has changes that were not saved.")) {
        case Dialogs::SaveChoice::Discard: return true;
        case Dialogs::SaveChoice::Cancel: return false;
        case Dialogs::SaveChoice::Save: break;
    }
    mnusave_Click();
    return !networkUnsaved();
}

// ---- File menu -----------------------------------------------------------------

void Vorlan::mnuimport_Click() {
    Frame4->show();
    Frame4->raise();
}

void Vorlan::mnuexcel_Click() {
    // The reset belongs to the import itself: closing the frame loses nothing.
    m_.ProjectName.clear();
    Frame2->show();
    Frame2->raise();
}

void Vorlan::mnugetacad_Click() {
    try {
        (void)GetAcadCommand(m_, *cad_);  // it reports to the user itself
    } catch (const std::exception& e) {
        report("Get ACAD: ", e);
    }
}

void Vorlan::mnublock_Click() {
    try {
        (void)GetAcadBlockCommand(m_, *cad_);  // it reports to the user itself
    } catch (const std::exception& e) {
        report("Get ACAD Block: ", e);
    }
}

// ---- lateral-name file ---------------------------------------------------------

void Vorlan::mnuprfopen() {
    std::optional<QString> chosen = dialogs_.OpenFile("Import Prf file", "prf File (*.prf)|*.prf");
    if (!chosen || chosen->isEmpty()) return;
    std::string bytes;
    if (Outcome read = ReadWholeFile(EnginePath(*chosen), bytes); !read) {
        ui_->MessageBox("OPEN" + read.message());
        return;
    }
    std::vector<LateralNameRecord> records;
    if (Outcome parsed = ParseLateralNames(bytes, records); !parsed) {
        ui_->MessageBox("OPEN" + parsed.message());
        return;
    }
    try {
        BuildNetworkLinks(m_);
    } catch (const std::exception& e) {
        report("OPEN", e);
    }
    try {
        if (Outcome applied = ApplyLateralNames(m_, records); !applied) {
            ui_->MessageBox(applied.message());
            return;
        }
    } catch (const std::exception& e) {
        report("OPEN", e);
    }
    m_.LatCount = 0;
    Command13->setEnabled(false);
}

// ---- import frames ---------------------------------------------------------------

std::array<bool, kTextImportFields> Vorlan::textImportTicks() const {
    std::array<bool, kTextImportFields> t{};
    for (int k = 0; k < kTextImportFields; ++k) t[k] = Check2[k]->isChecked();
    return t;
}

void Vorlan::Command12_Click() {
    std::optional<QString> chosen = dialogs_.OpenFile("Import Text", "Text File (*.txt)|*.txt");
    if (!chosen || chosen->isEmpty()) return;
    std::string bytes;
    if (Outcome read = ReadWholeFile(EnginePath(*chosen), bytes); !read) {
        ui_->MessageBox("Import Text: " + read.message());
        return;
    }
    Outcome imported;
    try {
        imported = ImportTextTable(m_, bytes, textImportTicks(), std::max(HighestRowInUse(m_), m_.LineCount));
    } catch (const std::exception& e) {
        imported = Outcome::Fail("Import Text: " + FaultText(e));
    }
    if (!imported) {
        ui_->MessageBox(imported.message());
        return;
    }
    // The imported lines were read from no network file.
    networkFile_.clear();
    Frame4->hide();
    Command3->setEnabled(false);
    Command13->setEnabled(false);
}

ImportColumnMap Vorlan::importColumnMap() const {
    ImportColumnMap map;
    for (int k = 0; k < kImportFields; ++k) {
        map.column[k] = Text5[k]->text().toStdString();
        map.ticked[k] = Check1[k]->isChecked();
    }
    return map;
}

void Vorlan::setImportColumnMap(const ImportColumnMap& map) {
    for (int k = 0; k < kImportFields; ++k) {
        Text5[k]->setText(QString::fromStdString(map.column[k]));
        Check1[k]->setChecked(map.ticked[k]);
    }
}

void Vorlan::Command15_Click() { Frame2->hide(); }

void Vorlan::Command16_Click() {
    Outcome written = WriteImportColumns(EnginePath(importColumnsPath_), importColumnMap());
    ui_->MessageBox(written ? "Save col# to import.col ok..." : written.message());
}

void Vorlan::Command20_Click() {
    if (excelImport)
        excelImport();
    else
        ui_->SetStatus("Excel import is not available");
}

}  // namespace vd
