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
#include <QTimer>
#include <QVBoxLayout>
#include <stdexcept>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/whole_file.h"
#include "cad/cad_document.h"
#include "workspace/acad_commands.h"
#include "workspace/excel_import.h"
#include "workspace/grid_host.h"
#include "workspace/lateral_names.h"
#include "workspace/line_rows.h"
#include "workspace/manhole_types.h"
#include "workspace/profile_host.h"
#include "workspace/program_folder.h"
#include "workspace/criteria_pages.h"
#include "platform/key_poll.h"

namespace vd {

namespace {

const char* const kAsbFilter = "profile File (*.asb)|*.asb";
const char* const kXlsxFilter = "Excel File (*.xlsx)|*.xlsx";
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

OncePerFrame::OncePerFrame(QObject* owner, std::function<void()> handOver)
    : handOver_(std::move(handOver)), timer_(new QTimer(owner)) {
    timer_->setSingleShot(true);
    QObject::connect(timer_, &QTimer::timeout, owner, [this] { fire(); });
}

OncePerFrame::Clock& OncePerFrame::clock() {
    static Clock set;
    return set;
}

void OncePerFrame::SetClock(Clock c) { clock() = std::move(c); }

qint64 OncePerFrame::now() {
    if (const Clock& set = clock()) return set();
    static QElapsedTimer steady;
    if (!steady.isValid()) steady.start();
    return steady.elapsed();
}

void OncePerFrame::request(bool atOnce) {
    const qint64 since = lastHandOver_ ? now() - *lastHandOver_ : kFrameMs;
    if (!atOnce && since < kFrameMs) {
        if (!timer_->isActive()) timer_->start(static_cast<int>(kFrameMs - since));
        return;
    }
    fire();
}

void OncePerFrame::fire() {
    timer_->stop();
    handOver_();
    lastHandOver_ = now();
}

void WorkspaceUi::AppendLog(const std::string& message) {
    AppendLogText(text_, message);
    // Laying the box out again for every message of a long run costs more
    // than the run.
    logPaint_.request();
}

void WorkspaceUi::showLog() {
    QString shown = Latin1(text_);
    shown.replace("\r\n", "\n");
    if (shown.endsWith('\n')) shown.chop(1);
    log_->setPlainText(shown);
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

void WorkspaceUi::SetStatus(const std::string& text) {
    status_text_ = text;
    status_->setText(Latin1(text));
}

WorkspaceUi::WorkspaceUi(QPlainTextEdit* log, QLabel* status, QProgressBar* progress, Dialogs& dialogs)
    : log_(log), status_(status), progress_(progress), dialogs_(dialogs),
      progressPaint_(progress, [this] { progress_->setValue(progressValue_); }), progressReset_(new QTimer(progress)),
      logPaint_(log, [this] { showLog(); }) {
    progressReset_->setSingleShot(true);
    QObject::connect(progressReset_, &QTimer::timeout, progress_, [this] {
        // A read-back's Esc poll runs the window's timers while its command
        // still runs: the reset looks again a frame later rather than at
        // every poll.
        if (EscKeyPoll::Polling()) return progressReset_->start(kResetPollMs);
        // The window runs again: nothing is gained by holding it.
        progressValue_ = 0;
        progressPaint_.request(true);
    });
}

void WorkspaceUi::SetProgress(int value) {
    value = std::clamp(value, 0, 100);
    // Commands run to their end inside their handler; whatever value one
    // leaves, the bar is back at 0 when control returns to the window.
    if (value != 0 && !progressReset_->isActive()) progressReset_->start(0);
    progressValue_ = value;
    // The reset to 0 by the command itself shows at once.
    progressPaint_.request(value == 0);
}

void WorkspaceUi::SetProgressVisible(bool visible) { progress_->setVisible(visible); }
void WorkspaceUi::MessageBox(const std::string& text) { dialogs_.Message(Latin1(text)); }

// ---- start-up ------------------------------------------------------------

Vorlan::Vorlan(Model& m, Dialogs& dialogs, QWidget* parent, Views views)
    : QWidget(parent), m_(m), dialogs_(dialogs) {
    setObjectName("VORLAN1");
    resize(Px(kDesignWidth), Px(kDesignHeight));

    fileButton_ = MakeButton(this, "File", 10, 0, 615, 375);
    xlsButton_ = MakeButton(this, "XLS", 720, 0, 495, 375);
    saveAsButton_ = MakeButton(this, "Save As", 1320, 0, 855, 375);
    sewerButton_ = MakeButton(this, "SEWER", 2280, 0, 855, 375);
    processButton_ = MakeButton(this, "Process", 3240, 0, 1095, 375);
    profileButton_ = MakeButton(this, "Profile", 4440, 0, 735, 375);
    acadButton_ = MakeButton(this, "ACAD", 5280, 0, 855, 375);
    lateralButton_ = MakeButton(this, "Latral", 6240, 0, 855, 375);
    aboutButton_ = MakeButton(this, "About", 7200, 0, 735, 375);
    manholeTypeCheck_ = new QCheckBox("Mh Type", this);
    // At its place on the row, as wide and high as its caption needs.
    const QSize checkNeeds = manholeTypeCheck_->sizeHint();
    manholeTypeCheck_->setGeometry(Px(11160), 0, std::max(Px(1095), checkNeeds.width()),
                                   std::max(Px(495), checkNeeds.height()));
    profileButton_->setEnabled(false);
    acadButton_->setEnabled(false);
    lateralButton_->setEnabled(false);

    logBox_ = new QPlainTextEdit(this);
    logBox_->setGeometry(PxRect(120, 480, 6735, 1125));
    logBox_->setReadOnly(true);
    logBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    {
        QPalette p = logBox_->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Midlight));
        logBox_->setPalette(p);
    }

    if (!views.grid || !views.profile) throw std::invalid_argument("The workspace needs its table editor and profile view.");
    grid_ = views.grid;
    grid_->setParent(this);
    grid_->setGeometry(PxRect(1440, 1560, 7215, 3855));
    grid_->QWidget::setVisible(false);
    profile_ = views.profile;
    profile_->setParent(this);
    profile_->setGeometry(PxRect(0, 360, 1335, 7935));
    profile_->QWidget::setVisible(false);

    gridCloseButton_ = MakeButton(this, "----", 8280, 1560, 255, 255);
    gridCloseButton_->hide();

    buildExcelImportFrame();
    buildImportFrame();

    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(false);
    statusPanel1_ = new QLabel(statusBar_);
    statusPanel1_->setObjectName("panel1");
    statusPanel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar_->addWidget(statusPanel1_, 1);
    progressBar_ = new QProgressBar(this);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    // The bar stands at the status bar's right end, so the status text beside
    // it is never hidden under it.
    progressBar_->setFixedSize(Px(3735), Px(255));
    statusBar_->addPermanentWidget(progressBar_);

    buildMenu();
    buildAbout();
    criteriaPages_ = new CriteriaPages(m_, dialogs_, this, excelImportFrame_);
    fileMenu_->addSeparator();
    criteriaAction_ = fileMenu_->addAction("Criteria", this, &Vorlan::ShowProjectSettings);

    connect(fileButton_, &QPushButton::clicked, this, &Vorlan::Command1_Click);
    connect(xlsButton_, &QPushButton::clicked, this, &Vorlan::Command14_Click);
    connect(saveAsButton_, &QPushButton::clicked, this, &Vorlan::Command10_Click);
    connect(sewerButton_, &QPushButton::clicked, this, &Vorlan::Command4_Click);
    connect(processButton_, &QPushButton::clicked, this, &Vorlan::Command2_Click);
    connect(profileButton_, &QPushButton::clicked, this, &Vorlan::Command3_Click);
    connect(acadButton_, &QPushButton::clicked, this, &Vorlan::Command11_Click);
    connect(lateralButton_, &QPushButton::clicked, this, &Vorlan::Command13_Click);
    connect(aboutButton_, &QPushButton::clicked, this, &Vorlan::Command5_Click);
    connect(gridCloseButton_, &QPushButton::clicked, this, &Vorlan::Command9_Click);
    connect(grid_, &GridHost::Hide, this, &Vorlan::FLEX1_Hide);
    connect(profile_, &ProfileHost::Hide, this, &Vorlan::prof1_Hide);

    nameChildren();
    ui_ = std::make_unique<WorkspaceUi>(logBox_, statusPanel1_, progressBar_, dialogs_);
    cad_ = std::make_unique<CadApplication>();
    importColumnsPath_ = ProgramFolderFor("import.col") + "import.col";
    UserControl_Initialize();
    savedFingerprint_ = NetworkFingerprint(m_);
}

Vorlan::~Vorlan() {
    // The model outlives the window's widgets.
    if (m_.Ui == ui_.get()) m_.SetUi(nullptr);
    disconnect(grid_, nullptr, this, nullptr);
    disconnect(profile_, nullptr, this, nullptr);
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

void Vorlan::nameChildren() {
    const std::pair<QObject*, const char*> named[] = {
        {fileButton_, "Command1"},          {xlsButton_, "Command14"},         {saveAsButton_, "Command10"},
        {sewerButton_, "Command4"},         {processButton_, "Command2"},      {profileButton_, "Command3"},
        {acadButton_, "Command11"},         {lateralButton_, "Command13"},     {aboutButton_, "Command5"},
        {gridCloseButton_, "Command9"},     {manholeTypeCheck_, "Check3"},     {logBox_, "Textwin"},
        {progressBar_, "ProgressBar1"},     {statusBar_, "StatusBar1"},        {grid_, "FLEX1"},
        {profile_, "prof1"},                {excelImportFrame_, "Frame2"},     {importFrame_, "Frame4"},
        {startRowBox_, "Text3"},            {startTextBox_, "Text4"},          {excelCloseButton_, "Command15"},
        {saveColumnsButton_, "Command16"},  {excelImportButton_, "Command20"}, {textImportButton_, "Command12"},
        {fileMenu_, "mnufile"},             {openAction_, "mnuopen"},          {importAction_, "mnuimport"},
        {prfAction_, "mnuprf"},             {excelAction_, "mnuexcel"},        {getAcadAction_, "mnugetacad"},
        {getBlockAction_, "mnublock"},      {saveAction_, "mnusave"},          {saveAsAction_, "mnusaveas"},
        {setExcelAction_, "mnusetexcel"},   {setAcadAction_, "mnusetacad"},    {aboutBox_, "ABOUT"},
        {excelBookAction_, "mnuexcelbook"}, {criteriaAction_, "mnusettings"},
    };
    for (const auto& [child, name] : named) child->setObjectName(name);
    for (int k = 0; k < kImportFields; ++k) {
        columnBoxes_[k]->setObjectName(QString("Text5(%1)").arg(k));
        columnChecks_[k]->setObjectName(QString("Check1(%1)").arg(k));
    }
    for (int k = 0; k < kTextImportFields; ++k) textFieldChecks_[k]->setObjectName(QString("Check2(%1)").arg(k));
}

void Vorlan::ReadImportColumnMap() {
    ImportColumnMap map = importColumnMap();
    if (ReadImportColumns(EnginePath(importColumnsPath_), map)) setImportColumnMap(map);
}

void Vorlan::buildExcelImportFrame() {
    excelImportFrame_ = new QGroupBox("Import  XLS", this);
    excelImportFrame_->setGeometry(PxRect(1800, 2160, 3615, 5175));
    // The frame was laid out for a small dialog font; a wide default font
    // would run its captions into the boxes.
    QFont small = excelImportFrame_->font();
    small.setPixelSize(10);
    excelImportFrame_->setFont(small);
    MakeLabel(excelImportFrame_, "Col# :", 240, 360, 480, 240);
    MakeLabel(excelImportFrame_, "check:", 720, 360, 600, 240);
    MakeLabel(excelImportFrame_, "Name:", 1320, 360, 600, 240);
    ImportColumnMap defaults;
    for (int k = 0; k < kImportFields; ++k) {
        columnBoxes_[k] = new QLineEdit(QString::fromStdString(defaults.column[k]), excelImportFrame_);
        columnBoxes_[k]->setGeometry(PxRect(240, 600 + 240 * k, 375, 210));
        columnBoxes_[k]->setTextMargins(0, 0, 0, 0);
        columnChecks_[k] = new QCheckBox(kImportFieldCaptions[k], excelImportFrame_);
        columnChecks_[k]->setGeometry(PxRect(960, 600 + 240 * k, 1335, 225));
        columnChecks_[k]->setChecked(true);
    }
    // Runs a little left of its place, so that the caption ends at its box.
    MakeLabel(excelImportFrame_, "Start text at :", 1800, 720, 1065, 240)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    startTextBox_ = new QLineEdit("1", excelImportFrame_);
    startTextBox_->setGeometry(PxRect(2880, 720, 495, 225));
    MakeLabel(excelImportFrame_, "Start import at row :", 240, 4200, 1560, 240);
    startRowBox_ = new QLineEdit("2", excelImportFrame_);
    startRowBox_->setGeometry(PxRect(1800, 4200, 735, 225));
    excelCloseButton_ = MakeButton(excelImportFrame_, "Close", 240, 4560, 855, 375);
    saveColumnsButton_ = MakeButton(excelImportFrame_, "save col#", 1200, 4560, 975, 375);
    excelImportButton_ = MakeButton(excelImportFrame_, "Import", 2280, 4560, 975, 375);
    connect(excelCloseButton_, &QPushButton::clicked, this, &Vorlan::Command15_Click);
    connect(saveColumnsButton_, &QPushButton::clicked, this, &Vorlan::Command16_Click);
    connect(excelImportButton_, &QPushButton::clicked, this, &Vorlan::Command20_Click);
    excelImportFrame_->hide();
}

void Vorlan::buildImportFrame() {
    importFrame_ = new QGroupBox("Import", this);
    importFrame_->setGeometry(PxRect(6720, 1800, 1935, 3975));
    for (int k = 0; k < kTextImportFields; ++k) {
        textFieldChecks_[k] = new QCheckBox(kTextImportCaptions[k], importFrame_);
        textFieldChecks_[k]->setGeometry(PxRect(360, 360 + 240 * k, 1335, 240));
        textFieldChecks_[k]->setChecked(k < 10);
    }
    textImportButton_ = MakeButton(importFrame_, "Import", 240, 3360, 975, 495);
    connect(textImportButton_, &QPushButton::clicked, this, &Vorlan::Command12_Click);
    importFrame_->hide();
}

void Vorlan::buildMenu() {
    fileMenu_ = new QMenu(this);
    openAction_ = fileMenu_->addAction("Open", this, &Vorlan::mnuopen_Click);
    importAction_ = fileMenu_->addAction("Import", this, &Vorlan::mnuimport_Click);
    prfAction_ = fileMenu_->addAction("Get Prf", this, &Vorlan::mnuprf_Click);
    excelAction_ = fileMenu_->addAction("Get EXCEL", this, &Vorlan::mnuexcel_Click);
    excelBookAction_ = fileMenu_->addAction("Get EXCEL Book", this, &Vorlan::mnuexcelbook_Click);
    getAcadAction_ = fileMenu_->addAction("Get ACAD", this, &Vorlan::mnugetacad_Click);
    getBlockAction_ = fileMenu_->addAction("Get ACAD Block", this, &Vorlan::mnublock_Click);
    fileMenu_->addSeparator();
    saveAction_ = fileMenu_->addAction("Save", this, &Vorlan::mnusave_Click);
    saveAsAction_ = fileMenu_->addAction("Save As", this, &Vorlan::mnusaveas_Click);
    setExcelAction_ = fileMenu_->addAction("Set EXCEL");
    setAcadAction_ = fileMenu_->addAction("Set ACAD");
}

void Vorlan::buildAbout() {
    aboutBox_ = new QDialog(this);
    aboutBox_->setWindowTitle("ABOUT");
    aboutBox_->setModal(false);
    auto* layout = new QVBoxLayout(aboutBox_);
    auto* credits = new QLabel("VIDODUV\nDesign of gravity sewer networks", aboutBox_);
    credits->setAlignment(Qt::AlignCenter);
    layout->addWidget(credits);
    auto* close = new QPushButton("Close", aboutBox_);
    close->setObjectName("Command1");
    layout->addWidget(close, 0, Qt::AlignHCenter);
    connect(close, &QPushButton::clicked, aboutBox_, &QDialog::hide);
}

// ---- layout ----------------------------------------------------------------

QSize Vorlan::minimumSizeHint() const {
    // The button row up to "Mh Type", and the profile view with its panel.
    const int width = std::max(manholeTypeCheck_->geometry().right() + 1 + Px(60), profile_->minimumSizeHint().width());
    return {width, QWidget::minimumSizeHint().height()};
}

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
    profile_->setGeometry(PxRect(p.left(), p.top(), p.width(), p.height()));
    const QRect& f = geometry_.flex1;
    grid_->setGeometry(PxRect(f.left(), f.top(), f.width(), f.height()));
    // The status bar, with the progress bar at its end, stays at the workspace's foot.
    const int barHeight = Px(375);
    statusBar_->setGeometry(0, height() - barHeight, width(), barHeight);
    if (!gridCloseButton_->isHidden())
        gridCloseButton_->setGeometry(PxRect(f.left() + f.width() - 300, f.top() + 10, 255, 255));
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
    importFrame_->hide();
    fileMenu_->popup(mapToGlobal(QPoint(Px(100), Px(350))));
}

void Vorlan::Command14_Click() {
    saveAsButton_->setEnabled(false);
    m_.ProjectName.clear();
    excelImportFrame_->show();
    excelImportFrame_->raise();
    // Both views close through their own close steps.
    grid_->hide();
    profile_->hide();
}

void Vorlan::Command10_Click() { mnusaveas(); }
void Vorlan::Command4_Click() { gridToggle(false); }
void Vorlan::Command13_Click() { gridToggle(true); }

void Vorlan::gridToggle(bool lateral) {
    logBox_->hide();
    excelImportFrame_->hide();
    importFrame_->hide();
    fileButton_->setEnabled(false);
    if (grid_->isHidden()) {
        ui_->SetStatus(kGridOpenStatus);
        profile_->hide();
        grid_->show();
        grid_->raise();
        statusBar_->raise();
        progressBar_->raise();
        try {
            if (lateral)
                grid_->mnulatral();
            else
                grid_->mnusewer();
        } catch (const std::exception& e) {
            report("", e);
        }
        fileButton_->setEnabled(false);
        processButton_->setEnabled(false);
        const QRect& f = geometry_.flex1;
        gridCloseButton_->setGeometry(PxRect(f.left() + f.width() - 300, f.top() + 10, 255, 255));
        gridCloseButton_->show();
        gridCloseButton_->raise();
    } else {
        grid_->hide();
    }
}

void Vorlan::Command9_Click() {
    fileButton_->setEnabled(true);
    processButton_->setEnabled(true);
    gridCloseButton_->hide();
    // The close box leaves the status text as it stands.
    closingGrid_ = true;
    grid_->hide();
    closingGrid_ = false;
}

void Vorlan::FLEX1_Hide() {
    if (!closingGrid_) ui_->SetStatus(kGridClosedStatus);
    try {
        grid_->frm7upDATE();
    } catch (const std::exception& e) {
        report("", e);
    }
    gridCloseButton_->hide();
    if (profile_->isHidden()) {
        fileButton_->setEnabled(true);
        processButton_->setEnabled(true);
    }
}

void Vorlan::Command3_Click() {
    logBox_->hide();
    importFrame_->hide();
    excelImportFrame_->hide();
    if (profile_->isHidden()) {
        profile_->show();
        profile_->raise();
        // The bars every long command reports through stay in sight.
        statusBar_->raise();
        progressBar_->raise();
        try {
            profile_->ReloadSheetOptions();
            m_.SheetLayoutMode = CInt(m_.ObjectStyles[26].Color);
        } catch (const std::exception& e) {
            report("", e);
        }
        try {
            profile_->ff();
            profile_->Resize1();
        } catch (const std::exception& e) {
            report("", e);
        }
        fileButton_->setEnabled(false);
        processButton_->setEnabled(false);
        acadButton_->setEnabled(false);
        grid_->hide();
    } else {
        profile_->hide();
    }
}

void Vorlan::prof1_Hide() {
    if (!grid_->isHidden()) return;
    fileButton_->setEnabled(true);
    processButton_->setEnabled(true);
    acadButton_->setEnabled(false);
}

void Vorlan::Command11_Click() {
    try {
        (void)AcadPlanCommand(m_, *cad_);  // it reports to the user itself
    } catch (const std::exception& e) {
        AppendLog(m_, "ACAD: " + FaultText(e));
    }
}

void Vorlan::Command5_Click() {
    aboutBox_->show();
    aboutBox_->raise();
}

// ---- Process -----------------------------------------------------------------

void Vorlan::Command2_Click() {
    if (!storeOpenCell()) return;
    logBox_->show();
    AppendLog(m_, "Process");
    const std::string folder = backupFolder();
    if (folder.empty())
        AppendLog(m_, "No folder for the backup " + m_.ProjectName + "-3.bak");
    else
        (void)SaveNetworkText(m_, m_.ProjectName + "-3.bak", folder);  // reports its own failure
    importFrame_->hide();
    try {
        BuildNetworkLinks(m_);
        NameLaterals(m_);
        int outcome = 0;
        ProcessNetwork(m_, outcome);
    } catch (const std::exception& e) {
        report("", e);
    }
    if (manholeTypeCheck_->isChecked()) ApplyManholeTypes(m_);
    AppendLog(m_, "Process...");
    profileButton_->setEnabled(true);
    lateralButton_->setEnabled(true);
    saveAsButton_->setEnabled(true);
    acadButton_->setEnabled(true);
}

// ---- open and save -----------------------------------------------------------

void Vorlan::openvrl() {
    if (!maybeSaveNetwork()) return;
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
        // The links and results rows stay as they stand, in tables of the new size.
        m_.FitLineTables(scratch.LineCount);
        m_.Lines = std::move(scratch.Lines);
        m_.LineCount = scratch.LineCount;
        m_.LatCount = 0;
        m_.ProjectFolder = parts.folder;
        m_.ProjectName = parts.baseName;
        networkSaved(path);
        setCaption("DIRURUV - " + DisplayPath(m_.ProjectName));
        lateralButton_->setEnabled(false);
        profileButton_->setEnabled(false);
    } catch (const std::exception& e) {
        report("OPEN", e);
    }
}

bool Vorlan::storeOpenCell() {
    try {
        return grid_->CommitOpenCell();
    } catch (const std::exception& e) {
        report("", e);
        return false;
    }
}

void Vorlan::mnusaveas() {
    if (storeOpenCell()) saveNetworkAs();
}

void Vorlan::mnusave_Click() {
    if (storeOpenCell()) saveNetwork();
}

void Vorlan::saveNetworkAs() {
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

void Vorlan::saveNetwork() {
    if (m_.ProjectName.empty()) {
        saveNetworkAs();
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
    if (!storeOpenCell()) return false;
    if (!networkUnsaved()) return true;
    switch (dialogs_.AskSaveChanges("The network has changes that were not saved.")) {
        case Dialogs::SaveChoice::Discard: return true;
        case Dialogs::SaveChoice::Cancel: return false;
        case Dialogs::SaveChoice::Save: break;
    }
    saveNetwork();
    return !networkUnsaved();
}

// ---- File menu -----------------------------------------------------------------

void Vorlan::mnuimport_Click() {
    importFrame_->show();
    importFrame_->raise();
}

void Vorlan::mnuexcel_Click() {
    // The reset belongs to the import itself: closing the frame loses nothing.
    m_.ProjectName.clear();
    excelImportFrame_->show();
    excelImportFrame_->raise();
}

void Vorlan::ShowProjectSettings() { criteriaPages_->ShowProjectSettings(); }

void Vorlan::mnugetacad_Click() {
    if (!maybeSaveNetwork()) return;
    // The panel must not write its old values over the new project's.
    criteriaPages_->closeStoring();
    try {
        (void)GetAcadCommand(m_, *cad_);  // it reports to the user itself
    } catch (const std::exception& e) {
        report("Get ACAD: ", e);
    }
}

void Vorlan::mnublock_Click() {
    if (!maybeSaveNetwork()) return;
    criteriaPages_->closeStoring();
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
    LateralNameList records;
    if (Outcome read = ReadLateralNames(EnginePath(*chosen), records); !read) {
        ui_->MessageBox("OPEN" + read.message());
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
    lateralButton_->setEnabled(false);
}

// ---- import frames ---------------------------------------------------------------

std::array<bool, kTextImportFields> Vorlan::textImportTicks() const {
    std::array<bool, kTextImportFields> t{};
    for (int k = 0; k < kTextImportFields; ++k) t[k] = textFieldChecks_[k]->isChecked();
    return t;
}

void Vorlan::Command12_Click() {
    if (!maybeSaveNetwork()) return;
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
    importFrame_->hide();
    profileButton_->setEnabled(false);
    lateralButton_->setEnabled(false);
}

QString Vorlan::importStartRowText() const { return startRowBox_->text(); }
QString Vorlan::importStartTextText() const { return startTextBox_->text(); }

ImportColumnMap Vorlan::importColumnMap() const {
    ImportColumnMap map;
    for (int k = 0; k < kImportFields; ++k) {
        map.column[k] = columnBoxes_[k]->text().toStdString();
        map.ticked[k] = columnChecks_[k]->isChecked();
    }
    return map;
}

void Vorlan::setImportColumnMap(const ImportColumnMap& map) {
    for (int k = 0; k < kImportFields; ++k) {
        columnBoxes_[k]->setText(QString::fromStdString(map.column[k]));
        columnChecks_[k]->setChecked(map.ticked[k]);
    }
}

void Vorlan::Command15_Click() { excelImportFrame_->hide(); }

void Vorlan::Command16_Click() {
    Outcome written = WriteImportColumns(EnginePath(importColumnsPath_), importColumnMap());
    ui_->MessageBox(written ? "Save col# to import.col ok..." : written.message());
}

ExcelLineSettings Vorlan::excelLineSettings() const {
    ExcelLineSettings s;
    for (int k = 0; k < kImportFields; ++k) {
        s.column[k] = columnBoxes_[k]->text().toLatin1().toStdString();
        s.ticked[k] = columnChecks_[k]->isChecked();
    }
    s.startRow = startRowBox_->text().toLatin1().toStdString();
    s.textStart = startTextBox_->text().toLatin1().toStdString();
    return s;
}

void Vorlan::Command20_Click() {
    ExcelLineSettings settings = excelLineSettings();
    ExcelLineColumns checked;
    // A box that cannot be used is reported before any file is asked for.
    if (Outcome o = CheckExcelLineSettings(settings, checked); !o) {
        ui_->MessageBox(o.message());
        return;
    }
    if (!maybeSaveNetwork()) return;
    std::optional<QString> chosen = dialogs_.OpenFile("Import XLS", kXlsxFilter);
    if (!chosen || chosen->isEmpty()) return;
    logBox_->show();
    criteriaPages_->closeStoring();
    Outcome o = readWorkbook([&](const WorkbookProgress& progress) {
        return ImportExcelLineFile(m_, *chosen, settings, progress);
    });
    if (!o) {
        if (o.message() != kWorkbookReadCancelled) ui_->MessageBox(o.message());
        return;
    }
    if (!o.message().empty()) ui_->MessageBox(o.message());
    excelImportFrame_->hide();
}

Outcome Vorlan::readWorkbook(const std::function<Outcome(const WorkbookProgress&)>& read) {
    // The bar follows the unpacking; the window repaints and Esc is seen
    // between two pieces, while other input waits for the read to end.
    EscKeyPoll ownKeys;
    EscKeyPoll& keys = escKeys_ ? *escKeys_ : ownKeys;
    keys.Reset();
    ui_->SetStatus("Reading the workbook ... (Esc cancels)");
    const WorkbookProgress progress = [&](long long done, long long total) {
        ui_->SetProgress(total > 0 ? static_cast<int>(std::min<long long>(done * 100 / total, 100)) : 0);
        return !keys.EscPressed();
    };
    const std::string reading = ui_->statusText();
    Outcome o = read(progress);
    if (o && ui_->statusText() == reading) ui_->SetStatus("");
    if (o.message() == kWorkbookReadCancelled) {
        ui_->SetProgress(0);
        ui_->SetStatus(kWorkbookReadCancelled);
    } else if (!o) {
        ui_->SetProgress(0);
        ui_->SetStatus("");
    }
    return o;
}

void Vorlan::mnuexcelbook_Click() { ImportExcelWorkbook(); }

void Vorlan::ImportExcelWorkbook() {
    if (!maybeSaveNetwork()) return;
    std::optional<QString> chosen = dialogs_.OpenFile("Import Text", kXlsxFilter);
    if (!chosen || chosen->isEmpty()) return;
    criteriaPages_->closeStoring();
    Outcome o = readWorkbook([&](const WorkbookProgress& progress) {
        return ImportExcelWorkbookFile(m_, *chosen, progress);
    });
    if (!o) {
        if (o.message() != kWorkbookReadCancelled) ui_->MessageBox(o.message());
        return;
    }
    if (!o.message().empty()) ui_->MessageBox(o.message());
    lateralButton_->setEnabled(false);
}

}  // namespace vd
