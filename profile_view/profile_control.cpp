#include "profile_view/profile_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <vector>

#include "cad/aci_palette.h"
#include "engine/cell_text.h"
#include "engine/column_catalogue.h"
#include "engine/number_text.h"
#include "engine/pipe_size.h"
#include "engine/sheet_cutting.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/sheet_parts.h"
#include "profile_drawing/sheet_routine.h"
#include "profile_view/canvas_widget.h"
#include "profile_view/edit_boxes.h"
#include "profile_view/search.h"
#include "profile_view/sheet_frame_commands.h"
#include "profile_view/export_frames.h"
#include "profile_view/selection.h"
#include "profile_view/view_mapping.h"
#include "workspace/program_folder.h"
#include "workspace/workspace_layout.h"

namespace vd {

namespace {

// Every entry of the key-help frame, in its order.
const char* const kKeyHelp[] = {
    "Right-click---->Select Line", "Mouse-drag---->Pan", "Alt+T----->Profile Type", "Press D----->DDF",
    "Press S----->SDF", "Press [0...9]----->Change  Step", "Alt+B----->Base Of Draw", "Alt +H ----->Prof Hight",
    "Alt+I----->Hydrulic Iformation", "F2----->DDF", "F3----->Slope+", "F4----->Slope -", "F5----->Zoom Out",
    "Space ----->Zoom In", "F6,7----->Cover", "F8----->Search", "F9, Alt+F9----->Lateral",
};

// A label that reacts to a click.
class ClickLabel : public QLabel {
public:
    ClickLabel(const QString& text, QWidget* parent, std::function<void()> onClick)
        : QLabel(text, parent), onClick_(std::move(onClick)) {}

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && onClick_) onClick_();
    }

private:
    std::function<void()> onClick_;
};

QPushButton* Button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

constexpr int kCanvasWidthTwips = 9100;

}  // namespace

ProfileControl::ProfileControl(Model& m, Dialogs& dialogs, QWidget* parent, const QString& programFolder)
    : ProfileHost(parent), m_(m), dialogs_(dialogs), programFolder_(programFolder) {
    setObjectName("prof1");
    BuildWidgets();
    AttachEditBoxes(*this);
    AttachSheetFrame(*this);
    AttachSearchFrame(*this);
    AttachExportFrames(*this);
    UserControl_Initialize();
}

ProfileControl::~ProfileControl() = default;

void ProfileControl::BuildWidgets() {
    canvas = new ProfileCanvasWidget(this);
    canvas->setObjectName("prof1");
    outputs.Canvas = &canvas->marks();
    connect(canvas, &ProfileCanvasWidget::KeyDown, this, [this](int code, int mask) { prof1_KeyDown(code, mask); });
    connect(canvas, &ProfileCanvasWidget::MouseDown, this, &ProfileControl::prof1_MouseDown);
    connect(canvas, &ProfileCanvasWidget::MouseUp, this, &ProfileControl::prof1_MouseUp);

    HScroll1 = new QScrollBar(Qt::Horizontal);
    HScroll1->setObjectName("HScroll1");
    HScroll1->setRange(kZoomBarMin, kZoomBarMax);
    HScroll1->setPageStep(5);
    HScroll1->setFocusPolicy(Qt::NoFocus);
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });

    panelScroll_ = new QScrollArea(this);
    panelScroll_->setFrameShape(QFrame::NoFrame);
    panelScroll_->setWidgetResizable(true);
    panelScroll_->setFocusPolicy(Qt::NoFocus);
    auto* panel = new QWidget;
    panel->setObjectName("viewPanel");
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(4, 2, 4, 2);
    column->setSpacing(3);

    auto* sheetRow = new QHBoxLayout;
    auto* dwg = new QLabel("DWG", panel);
    Combo1 = new QComboBox(panel);
    Combo1->setObjectName("Combo1");
    Combo1->setFocusPolicy(Qt::NoFocus);
    Combo1->setMinimumWidth(70);
    VScroll5 = new QScrollBar(Qt::Vertical, panel);
    VScroll5->setObjectName("VScroll5");
    VScroll5->setFixedHeight(Combo1->sizeHint().height());
    VScroll5->setRange(0, 0);
    VScroll5->setFocusPolicy(Qt::NoFocus);
    // The bar's up arrow lowers its value; a higher value is the next sheet.
    connect(Combo1, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { Combo1_Click(); });
    connect(VScroll5, &QScrollBar::valueChanged, this, [this] { VScroll5_Change(); });
    sheetRow->addWidget(dwg);
    sheetRow->addWidget(Combo1, 1);
    sheetRow->addWidget(VScroll5);
    column->addLayout(sheetRow);
    // The zoom bar sits under the sheet list: the status bar covers the strip below the canvas.
    column->addWidget(HScroll1);

    Command2 = Button("Command2", "Zoom1 (Space)", panel);
    Command1 = Button("Command1", "Zoom2 (F5)", panel);
    Command8 = Button("Command8", "Zoom1 Set", panel);
    Command9 = Button("Command9", "Zoom2 Set", panel);
    auto* zoomGrid = new QGridLayout;
    zoomGrid->addWidget(Command2, 0, 0);
    zoomGrid->addWidget(Command8, 0, 1);
    zoomGrid->addWidget(Command1, 1, 0);
    zoomGrid->addWidget(Command9, 1, 1);
    column->addLayout(zoomGrid);
    connect(Command2, &QPushButton::clicked, this, &ProfileControl::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &ProfileControl::Command1_Click);
    connect(Command8, &QPushButton::clicked, this, &ProfileControl::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &ProfileControl::Command9_Click);

    auto* stepRow = new QHBoxLayout;
    Label9 = new ClickLabel("Step  :", panel, [this] { Label9_Click(); });
    Label9->setObjectName("Label9");
    Label8 = new ClickLabel("1", panel, [this] { Label8_Click(); });
    Label8->setObjectName("Label8");
    Label8->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label8->setMinimumWidth(24);
    Label8->setAlignment(Qt::AlignCenter);
    Label10 = new QLabel("Right-click---->Select Line", panel);
    Label10->setObjectName("Label10");
    stepRow->addWidget(Label9);
    stepRow->addWidget(Label8);
    stepRow->addStretch(1);
    column->addLayout(stepRow);

    Command3 = Button("Command3", "Next Selection (Tab)", panel);
    Command4 = Button("Command4", "Previous Selection(Shift+Tab)", panel);
    Command5 = Button("Command5", "Add to Selection (Ctrl + Right Arrow)", panel);
    Command6 = Button("Command6", "Remove Selection (Ctrl+Left arrow)", panel);
    Command7 = Button("Command7", "Zoom to Selection (Space)", panel);
    for (QPushButton* b : {Command3, Command4, Command5, Command6, Command7}) column->addWidget(b);
    column->addWidget(Label10);
    connect(Command3, &QPushButton::clicked, this, &ProfileControl::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &ProfileControl::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &ProfileControl::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &ProfileControl::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &ProfileControl::Command7_Click);

    auto* miscRow = new QHBoxLayout;
    Command10 = Button("Command10", " Mean", panel);
    Command41 = Button("Command41", "Keys", panel);
    miscRow->addWidget(Command10);
    miscRow->addWidget(Command41);
    for (int i = 0; i < 4; ++i) {
        VScroll[i] = new QScrollBar(Qt::Vertical, panel);
        VScroll[i]->setObjectName(QString("VScroll%1").arg(i + 1));
        VScroll[i]->setRange(-100, 100);
        VScroll[i]->setFixedHeight(Command10->sizeHint().height());
        VScroll[i]->setFocusPolicy(Qt::NoFocus);
        miscRow->addWidget(VScroll[i]);
    }
    miscRow->addStretch(1);
    column->addLayout(miscRow);
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    connect(Command41, &QPushButton::clicked, this, &ProfileControl::Command41_Click);

    sidePanel = new QVBoxLayout;
    sidePanel->setSpacing(3);
    column->addLayout(sidePanel);
    column->addStretch(1);
    panelScroll_->setWidget(panel);

    Frame9 = new QFrame(this);
    Frame9->setObjectName("Frame9");
    Frame9->setFrameStyle(QFrame::Box | QFrame::Raised);
    Frame9->setAutoFillBackground(true);
    auto* help = new QVBoxLayout(Frame9);
    help->setSpacing(1);
    for (const char* text : kKeyHelp) help->addWidget(new QLabel(QString::fromLatin1(text), Frame9));
    Command42 = Button("Command42", "Close", Frame9);
    help->addWidget(Command42);
    connect(Command42, &QPushButton::clicked, this, &ProfileControl::Command42_Click);
    Frame9->adjustSize();
    Frame9->hide();
}

void ProfileControl::LayOut() {
    // The canvas keeps at least its 9100 twips and takes whatever the panel
    // leaves; a narrow window scrolls the panel rather than squeezing its captions.
    QWidget* panel = panelScroll_->widget();
    const int panelWidth = panel->sizeHint().width() + panelScroll_->verticalScrollBar()->sizeHint().width();
    panel->setMinimumWidth(panel->sizeHint().width());
    const int canvasWidth = std::max(Px(kCanvasWidthTwips), width() - panelWidth - 2);
    const int canvasHeight = std::max(1, height() - Px(500));
    canvas->setGeometry(0, 0, canvasWidth, canvasHeight);
    panelScroll_->setGeometry(canvasWidth + 2, 0, std::max(0, width() - canvasWidth - 2), height());
    Frame9->move(8, 8);
}

void ProfileControl::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    LayOut();
}

// ---- start-up ---------------------------------------------------------------

void ProfileControl::UserControl_Initialize() {
    v_.SheetNumberBase = CInt(Val(m_.ProfileStartText));
    SetPanStep(1);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 1; i <= 9; ++i) v_.ColumnCatalogue[i].Code = static_cast<int16_t>(i + 79);

    const QString folder = programFolder_.isEmpty() ? ProgramFolderFor(kSettingsFileName) : programFolder_;
    Outcome loaded = LoadDrawingSettings(m_, folder.toStdString());
    if (!loaded.ok()) startupMessage_ = QString::fromStdString(loaded.message());
    canvas->SetBackColour(AciToRgb(ColourIndex(m_.ObjectStyles[0].Color)));
    LoadZoomPresets(v_, m_.ObjectStyles[25]);

    if (loaded.ok()) {
        Outcome options = vd::ReloadSheetOptions(m_);
        if (!options.ok() && startupMessage_.isEmpty()) startupMessage_ = QString::fromStdString(options.message());
    }
    {
        QSignalBlocker block(VScroll5);
        VScroll5->setMaximum(std::max(0, m_.SheetCount - 1));
    }
    v_.DrawMode = kDrawCanvas;
    try {
        SetColumnTitles(m_, v_.ColumnCatalogue);
    } catch (const std::exception&) {
        // The catalogue keeps the titles it got; the style list shows what it has.
    }

    if (Combo4) {
        QSignalBlocker block(Combo4);
        Combo4->clear();
        Combo4->addItem("LatName");
        Combo4->setCurrentIndex(0);
    }
    if (List2) {
        QSignalBlocker block(List2);
        List2->clear();
        List2->addItem("Viewbox");
        for (int row = 1; row <= 20; ++row) {
            LineFieldToCell(m_, 79, row, v_.ColumnCatalogue);
            List2->addItem(QString::fromLatin1(v_.ColumnCatalogue[79].CellText.trim().c_str()));
        }
        for (const char* item : {"Text Info", "Lateral Info", "Table Line", "Other"}) List2->addItem(item);
    }
    const int32_t back = AciToRgb(ColourIndex(m_.ObjectStyles[0].Color));
    for (QWidget* sample : {Picture1, Picture3}) {
        if (!sample) continue;
        QPalette p = sample->palette();
        p.setColor(QPalette::Window, QColor(back & 0xFF, (back >> 8) & 0xFF, (back >> 16) & 0xFF));
        sample->setPalette(p);
        sample->setAutoFillBackground(true);
    }

    const ObjectStyle& options = m_.ObjectStyles[26];
    if (options.Color == 3.0f && Text6) {
        // The custom length lives in its own box, within the range the cutting accepts.
        const double length = std::isfinite(options.Rotate) ? std::clamp<double>(options.Rotate, 300, 8000) : 2000;
        QSignalBlocker block(Text6);
        Text6->setText(QString::fromStdString(Str(length)));
    }
    const int choice = std::isfinite(options.Color) ? static_cast<int>(RoundHalfEven(options.Color)) : -1;
    if (choice >= 0 && choice < 4 && Option1[choice]) {
        QSignalBlocker block(Option1[choice]);
        Option1[choice]->setChecked(true);
    }
}

void ProfileControl::ReloadSheetOptions() {
    Outcome o = vd::ReloadSheetOptions(m_);
    if (!o.ok()) m_.Ui->MessageBox(o.message());
}

// ---- ff, Resize1, Redraw ------------------------------------------------------

int ProfileControl::SheetEntries() const {
    return std::clamp(m_.SheetCount, 0, static_cast<int>(m_.SheetTable.size()));
}

void ProfileControl::SyncSheetList(int index) {
    QSignalBlocker a(Combo1), b(VScroll5);
    if (index >= 0 && index < Combo1->count()) Combo1->setCurrentIndex(index);
    VScroll5->setMaximum(std::max(0, Combo1->count() - 1));
    if (index >= 0) VScroll5->setValue(index);
}

void ProfileControl::ff() {
    if (!startupMessage_.isEmpty() && !startupMessageShown_) {
        startupMessageShown_ = true;
        m_.Ui->MessageBox(startupMessage_.toStdString());
    }
    try {
        CutSheets(m_, 0);
    } catch (const std::exception& e) {
        AppendLog(m_, std::string("Sheets: ") + e.what());
    }
    {
        QSignalBlocker block(Combo1);
        Combo1->clear();
        for (int i = 0; i < SheetEntries(); ++i) Combo1->addItem(QString::number(i + v_.SheetNumberBase));
    }
    if (Check4 && m_.ObjectStyles[26].DivideLen == 1) {
        QSignalBlocker block(Check4);
        Check4->setChecked(true);
    }
    SyncSheetList(Combo1->count() > 0 ? 0 : -1);
    ShowSheet(v_, m_, Combo1->count() > 0 ? 0 : -1);
    v_.ViewTopY = 60;
    v_.ViewOriginX = 0;
    v_.BandLift = 1;
    v_.TextSizeMode = 1;
    v_.BandBaseY = static_cast<float>(StripBaseY(v_.Band1End > 0 ? 1 : 2, v_.BandLift));
    v_.DrawMode = kDrawCanvas;
    v_.SelBaseY = v_.BandBaseY;
    SetZoomBar(30);
    Redraw();
}

void ProfileControl::Resize1() {
    CanvasStep = 2.5;
    LayOut();
    canvas->SetScale(600, 400);
    Redraw();
    // The view is driven from the keyboard as soon as it shows.
    FocusCanvas();
}

void ProfileControl::Redraw() {
    canvas->Cls();
    outputs.Canvas = &canvas->marks();
    Outcome o = Outcome::Ok();
    try {
        o = scrp(m_, v_, outputs);
    } catch (const std::exception& e) {
        o = Outcome::Fail(e.what());
    }
    v_.DrawMode = kDrawCanvas;
    if (!o.ok()) m_.Ui->SetStatus(o.message());
    emit redrawn();
}

void ProfileControl::SetZoomBar(int value) {
    value = std::clamp(value, kZoomBarMin, kZoomBarMax);
    {
        QSignalBlocker block(HScroll1);
        HScroll1->setValue(value);
    }
    ScaleExtents s = ZoomExtents(value);
    canvas->SetScale(s.width, s.height);
}

// ---- sheets -------------------------------------------------------------------

void ProfileControl::Combo1_Click() {
    const int index = Combo1->currentIndex();
    if (index < 0) return;
    ShowSheet(v_, m_, index);
    SyncSheetList(index);
    Redraw();
}

void ProfileControl::VScroll5_Change() {
    if (Combo1->currentIndex() < 0) return;
    const int value = VScroll5->value();
    if (value != Combo1->currentIndex() && value < Combo1->count()) {
        {
            QSignalBlocker block(Combo1);
            Combo1->setCurrentIndex(value);
        }
        Combo1_Click();
    }
}

void ProfileControl::findsheet(int line) {
    if (!FindLineSheet(v_, m_, line)) return;
    SyncSheetList(v_.SheetIndex);
    v_.ViewTopY = v_.SelBaseY - v_.Zoom1Offset;
    // The line's place on the sheet is known once the sheet is drawn.
    Redraw();
    v_.DrawMode = kDrawCanvas;
    Command7_Click();
}

void ProfileControl::Command41_Click() {
    Frame9->show();
    Frame9->raise();
    FocusCanvas();
}

void ProfileControl::Command42_Click() {
    Frame9->hide();
    Redraw();
}

// ---- zoom and pan ---------------------------------------------------------------

void ProfileControl::HScroll1_Change() {
    const int z = HScroll1->value();
    if (z == 0) RecentreAtZoomZero(v_);
    ScaleExtents s = ZoomExtents(z);
    canvas->SetScale(s.width, s.height);
    Redraw();
}

void ProfileControl::Command2_Click() {
    GoToZoom1(v_);
    SetZoomBar(ZoomBarValue(v_.Zoom1Scale));
    Redraw();
    FocusCanvas();
}

void ProfileControl::Command1_Click() {
    GoToZoom2(v_, m_.MonoSheet);
    SetZoomBar(ZoomBarValue(v_.Zoom2Scale));
    Redraw();
    FocusCanvas();
}

void ProfileControl::Command8_Click() {
    StoreZoom1(v_, HScroll1->value(), m_.ObjectStyles[25]);
    Outcome o = PutStyleRecord(m_, 25);
    if (!o.ok()) m_.Ui->MessageBox(o.message());
    FocusCanvas();
}

void ProfileControl::Command9_Click() {
    StoreZoom2(v_, HScroll1->value(), m_.ObjectStyles[25]);
    Outcome o = PutStyleRecord(m_, 25);
    if (!o.ok()) m_.Ui->MessageBox(o.message());
    FocusCanvas();
}

void ProfileControl::SetPanStep(int step) {
    v_.PanStep = static_cast<int16_t>(step);
    Label8->setText(QString::number(step));
}

void ProfileControl::Label8_Click() { SetPanStep(NextPanStep(v_.PanStep)); }
void ProfileControl::Label9_Click() { SetPanStep(NextPanStep(v_.PanStep)); }

void ProfileControl::prof1_MouseDown(int button, double x, double y) {
    if (button == 2) PickLine(v_, m_, x, y);
    dragX_ = x;
    dragY_ = y;
}

void ProfileControl::prof1_MouseUp(int, double x, double y) {
    DragPan(v_, dragX_, dragY_, x, y);
    Redraw();
}

void ProfileControl::Picture1_MouseDown(int button, double x, double y) { prof1_MouseDown(button, x, y); }
void ProfileControl::Picture1_MouseUp(int button, double x, double y) { prof1_MouseUp(button, x, y); }

// ---- selection ------------------------------------------------------------------

void ProfileControl::Command3_Click() {
    NextSelection(v_);
    Command7_Click();
}

void ProfileControl::Command4_Click() {
    PreviousSelection(v_);
    Command7_Click();
}

void ProfileControl::Command5_Click() {
    if (AddToSelection(v_, m_)) Redraw();
    FocusCanvas();
}

void ProfileControl::Command6_Click() {
    if (RemoveFromSelection(v_, m_)) Redraw();
    FocusCanvas();
}

void ProfileControl::Command7_Click() {
    ZoomToSelectionOrigin(v_, m_);
    SetZoomBar(ZoomBarValue(v_.Zoom1Scale));
    FocusCanvas();
    Redraw();
}

void ProfileControl::FocusCanvas() {
    if (canvas->isVisible()) canvas->setFocus(Qt::OtherFocusReason);
}

// ---- keys -----------------------------------------------------------------------

void ProfileControl::prof1_KeyDown(int& KeyCode, int Shift) { RunKey(KeyTarget::Canvas, KeyCode, Shift); }
void ProfileControl::Picture1_KeyDown(int& KeyCode, int Shift) { RunKey(KeyTarget::ColourSample, KeyCode, Shift); }

void ProfileControl::PipeSizeKey(const KeyRow& row) {
    const int line = SelectedLine(v_, m_);
    if (line == 0) {
        m_.Ui->SetStatus("No line is selected.");
        return;
    }
    const bool larger = row.command == KeyCommand::PipeLarger;
    ChangePipeSizeKey(m_, larger ? "F2" : "aF2", line);
    if (larger) {
        LineRecord& l = m_.Lines[line];
        std::string status = l.Status.unassigned() ? std::string() : std::string(l.Status.view());
        if (status.find('D') == std::string::npos) l.Status = ("D" + status).substr(0, 30);
    }
}

void ProfileControl::StepLatBase(const KeyRow& row) {
    const int line = SelectedLine(v_, m_);
    const int k = line ? m_.Links[line].LatNo : 0;
    if (k <= 0 || k >= static_cast<int>(m_.LatTable.size())) {
        m_.Ui->SetStatus("No line is selected.");
        return;
    }
    double& base = m_.LatTable[k][LatBase];
    base = base < row.arg ? base + 1 : row.arg2;
}

void ProfileControl::BranchView(int branch) {
    const int lower = RunLowerLine(v_, m_);
    if (lower == 0) return;
    const int t = branch == 1 ? m_.Links[lower].Branch1 : m_.Links[lower].Branch2;
    if (t < 1 || t > m_.LineUpper() || t > m_.LinkUpper()) return;
    const double idx = m_.Results[t].SheetIdx;
    if (!(idx >= 0 && idx < static_cast<double>(m_.SheetTable.size()))) return;
    const int sheet = static_cast<int>(idx);
    const SheetRecord& row = m_.SheetTable[sheet];
    ProfileViewState shown = v_;
    v_.SheetIndex = sheet;
    // The strips to search, most likely first.
    std::vector<int> bands;
    if (m_.MonoSheet != 0.5) {
        // The branch's strip goes below the one shown, whichever strip each is kept in.
        ProfileViewState loaded;
        loaded.LoadSheet(row);
        StripRange branchStrip = Strip(loaded, loaded.Band1End > 0 ? 1 : 2);
        StripRange kept = Strip(shown, shown.Band1End > 0 ? 1 : 2);
        v_.Band1Start = kept.start;
        v_.Band1End = kept.end;
        v_.Band2Start = branchStrip.start;
        v_.Band2End = branchStrip.end;
        bands = {2};
    } else {
        v_.LoadSheet(row);
        bands = sheet % 2 == 0 ? std::vector<int>{1, 2} : std::vector<int>{2, 1};
    }
    bool found = false;
    for (int band : bands) {
        const StripRange search = Strip(v_, band);
        if (!search.present()) continue;
        OutputSet none;
        DrawContext ctx(m_, v_, none);
        blksub(ctx, search.start, search.end);
        for (int p = search.start; p >= search.end && !found; --p) {
            const int at = LineAtPosition(v_, m_, p);
            if (p != v_.SelPosEnd && at != 0 && m_.Lines[at].From.view() == m_.Lines[t].From.view()) {
                v_.SelPos = p;
                v_.SelPosEnd = static_cast<int16_t>(p);
                v_.SelBand = static_cast<int16_t>(band);
                v_.SelBaseY = band == 1 ? 56 : 26;
                found = true;
            }
        }
        if (found) break;
    }
    if (!found) {
        // Nothing of the branch is drawn there: keep the sheet that was shown.
        v_ = shown;
        m_.Ui->SetStatus("The branch is not on its sheet.");
        return;
    }
    SyncSheetList(sheet);
    Command7_Click();
}

void ProfileControl::Pending(const char* command) {
    m_.Ui->SetStatus(std::string(command) + " is not available yet.");
}

void ProfileControl::RunKey(KeyTarget target, int& keyCode, int mask) {
    const KeyRow row = LookUpKey(target, keyCode, mask);
    const bool canvasKeys = target == KeyTarget::Canvas;
    using C = KeyCommand;
    switch (row.command) {
        case C::Nothing: break;
        case C::NextSelection: Command3_Click(); break;
        case C::PreviousSelection: Command4_Click(); break;
        case C::PreviousSheet:
            if (VScroll5->value() >= 1) VScroll5->setValue(VScroll5->value() - 1);
            break;
        case C::NextSheet:
            if (VScroll5->value() < VScroll5->maximum()) VScroll5->setValue(VScroll5->value() + 1);
            break;
        case C::Mean:
            keyCode = 0;
            Command10_Click();
            break;
        case C::PanUp: v_.ViewTopY -= v_.PanStep; Redraw(); break;
        case C::PanDown: v_.ViewTopY += v_.PanStep; Redraw(); break;
        case C::PanRight:
        case C::PanRightGrow:
            v_.ViewOriginX -= v_.PanStep;
            Redraw();
            if (row.command == C::PanRightGrow) {
                if (int line = SelectedLine(v_, m_)) v_.ViewOriginX += m_.Lines[line].Len / 10.0;
                Command5_Click();
            }
            break;
        case C::PanLeft:
        case C::PanLeftShrink:
            v_.ViewOriginX += v_.PanStep;
            Redraw();
            if (row.command == C::PanLeftShrink && v_.SelPos != v_.SelPosEnd) {
                if (int line = SelectedLine(v_, m_)) v_.ViewOriginX -= m_.Lines[line].Len / 10.0;
                Command6_Click();
            }
            break;
        case C::ZoomToSelection: Command7_Click(); break;
        case C::PipeSmaller:
        case C::PipeLarger:
            PipeSizeKey(row);
            Redraw();
            if (canvasKeys) FocusCanvas();
            break;
        case C::ScrollDown:
        case C::ScrollUp: {
            QScrollBar* bar = VScroll[std::clamp(row.arg, 1, 4) - 1];
            bar->setValue(bar->value() + (row.command == C::ScrollUp ? 1 : -1));
            break;
        }
        case C::Zoom2: Command1_Click(); break;
        case C::Search: Command18_Click(); break;
        case C::BranchOrNext:
        case C::BranchOrUp: {
            const int lower = RunLowerLine(v_, m_);
            int target = 0;
            if (lower) {
                const LinkRecord& l = m_.Links[lower];
                if (row.command == C::BranchOrNext)
                    target = l.Branch1 > 0 ? l.Branch1 : (l.NextLine > 0 ? l.NextLine : 0);
                else
                    target = l.Branch2 > 0 ? l.Branch2 : (l.UpLine > 0 ? l.UpLine : 0);
            }
            findsheet(target);
            break;
        }
        case C::BranchView1: BranchView(1); break;
        case C::BranchView2: BranchView(2); break;
        case C::BandLift:
            v_.BandLift = static_cast<int16_t>(v_.BandLift < row.arg ? v_.BandLift + 1 : 0);
            v_.SelBaseY = StripBaseY(v_.SelBand == 2 ? 2 : 1, v_.BandLift);
            Redraw();
            break;
        case C::LineInfo: v_.ShowLineInfo = v_.ShowLineInfo != 1 ? 1 : 0; Redraw(); break;
        case C::LKey: v_.LKeySwitch = v_.LKeySwitch == 0 ? 1 : 0; Redraw(); break;
        case C::SheetLabel: v_.ShowSheetLabel = !v_.ShowSheetLabel; Redraw(); break;
        case C::RedrawOnly: Redraw(); break;
        case C::LatBase: StepLatBase(row); Redraw(); break;
        case C::MakeDxf: Command11_Click(); break;
        case C::TextSize:
            if (v_.TextSizeMode == 2) {
                v_.TextSizeMode = 1;
                v_.BandLift = 1;
            } else {
                v_.TextSizeMode = 2;
                v_.BandLift = 0;
            }
            Redraw();
            break;
        case C::PanStepDigit: SetPanStep(row.arg); break;
        case C::DrawAll: Command12_Click(); break;
    }
}

}  // namespace vd
