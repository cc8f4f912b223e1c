#include "profile_view/profile_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLayout>
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
#include "profile_view/view_button.h"

namespace vd {

namespace {

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
    WatchPanelFrames();
    UserControl_Initialize();
}

ProfileControl::~ProfileControl() = default;

void ProfileControl::BuildWidgets() {
    canvas_ = new ProfileCanvasWidget(this);
    canvas_->setObjectName("prof1");
    outputs.Canvas = &canvas_->marks();
    connect(canvas_, &ProfileCanvasWidget::KeyDown, this, [this](int code, int mask) { prof1_KeyDown(code, mask); });
    connect(canvas_, &ProfileCanvasWidget::MouseDown, this, &ProfileControl::prof1_MouseDown);
    connect(canvas_, &ProfileCanvasWidget::MouseUp, this, &ProfileControl::prof1_MouseUp);

    zoomBar_ = new QScrollBar(Qt::Horizontal);
    zoomBar_->setObjectName("HScroll1");
    zoomBar_->setRange(kZoomBarMin, kZoomBarMax);
    zoomBar_->setPageStep(5);
    zoomBar_->setFocusPolicy(Qt::NoFocus);
    connect(zoomBar_, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });

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
    sheetList_ = new QComboBox(panel);
    sheetList_->setObjectName("Combo1");
    sheetList_->setFocusPolicy(Qt::NoFocus);
    sheetList_->setMinimumWidth(70);
    sheetScroll_ = new QScrollBar(Qt::Vertical, panel);
    sheetScroll_->setObjectName("VScroll5");
    sheetScroll_->setFixedHeight(sheetList_->sizeHint().height());
    sheetScroll_->setRange(0, 0);
    sheetScroll_->setFocusPolicy(Qt::NoFocus);
    // The bar's up arrow lowers its value; a higher value is the next sheet.
    connect(sheetList_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { Combo1_Click(); });
    connect(sheetScroll_, &QScrollBar::valueChanged, this, [this] { VScroll5_Change(); });
    sheetRow->addWidget(dwg);
    sheetRow->addWidget(sheetList_, 1);
    sheetRow->addWidget(sheetScroll_);
    column->addLayout(sheetRow);
    // The zoom bar sits under the sheet list: the status bar covers the strip below the canvas.
    column->addWidget(zoomBar_);

    zoom1Button_ = ViewButton("Command2", "Zoom1 (Space)", panel);
    zoom2Button_ = ViewButton("Command1", "Zoom2 (F5)", panel);
    zoom1SetButton_ = ViewButton("Command8", "Zoom1 Set", panel);
    zoom2SetButton_ = ViewButton("Command9", "Zoom2 Set", panel);
    auto* zoomGrid = new QGridLayout;
    zoomGrid->addWidget(zoom1Button_, 0, 0);
    zoomGrid->addWidget(zoom1SetButton_, 0, 1);
    zoomGrid->addWidget(zoom2Button_, 1, 0);
    zoomGrid->addWidget(zoom2SetButton_, 1, 1);
    column->addLayout(zoomGrid);
    connect(zoom1Button_, &QPushButton::clicked, this, &ProfileControl::Command2_Click);
    connect(zoom2Button_, &QPushButton::clicked, this, &ProfileControl::Command1_Click);
    connect(zoom1SetButton_, &QPushButton::clicked, this, &ProfileControl::Command8_Click);
    connect(zoom2SetButton_, &QPushButton::clicked, this, &ProfileControl::Command9_Click);

    auto* stepRow = new QHBoxLayout;
    panStepCaption_ = new ClickLabel("Step  :", panel, [this] { Label9_Click(); });
    panStepCaption_->setObjectName("Label9");
    panStepLabel_ = new ClickLabel("1", panel, [this] { Label8_Click(); });
    panStepLabel_->setObjectName("Label8");
    panStepLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panStepLabel_->setMinimumWidth(24);
    panStepLabel_->setAlignment(Qt::AlignCenter);
    selectHintLabel_ = new QLabel("Right-click---->Select Line", panel);
    selectHintLabel_->setObjectName("Label10");
    stepRow->addWidget(panStepCaption_);
    stepRow->addWidget(panStepLabel_);
    stepRow->addStretch(1);
    column->addLayout(stepRow);

    nextSelectionButton_ = ViewButton("Command3", "Next Selection (Tab)", panel);
    previousSelectionButton_ = ViewButton("Command4", "Previous Selection(Shift+Tab)", panel);
    addSelectionButton_ = ViewButton("Command5", "Add to Selection (Ctrl + Right Arrow)", panel);
    removeSelectionButton_ = ViewButton("Command6", "Remove Selection (Ctrl+Left arrow)", panel);
    zoomToSelectionButton_ = ViewButton("Command7", "Zoom to Selection (Space)", panel);
    for (QPushButton* b : {nextSelectionButton_, previousSelectionButton_, addSelectionButton_, removeSelectionButton_,
                           zoomToSelectionButton_})
        column->addWidget(b);
    column->addWidget(selectHintLabel_);
    connect(nextSelectionButton_, &QPushButton::clicked, this, &ProfileControl::Command3_Click);
    connect(previousSelectionButton_, &QPushButton::clicked, this, &ProfileControl::Command4_Click);
    connect(addSelectionButton_, &QPushButton::clicked, this, &ProfileControl::Command5_Click);
    connect(removeSelectionButton_, &QPushButton::clicked, this, &ProfileControl::Command6_Click);
    connect(zoomToSelectionButton_, &QPushButton::clicked, this, &ProfileControl::Command7_Click);

    auto* miscRow = new QHBoxLayout;
    meanButton_ = ViewButton("Command10", " Mean", panel);
    keyHelpButton_ = ViewButton("Command41", "Keys", panel);
    miscRow->addWidget(meanButton_);
    miscRow->addWidget(keyHelpButton_);
    for (int i = 0; i < 4; ++i) {
        stepBars_[i] = new QScrollBar(Qt::Vertical, panel);
        stepBars_[i]->setObjectName(QString("VScroll%1").arg(i + 1));
        stepBars_[i]->setRange(-100, 100);
        stepBars_[i]->setFixedHeight(meanButton_->sizeHint().height());
        stepBars_[i]->setFocusPolicy(Qt::NoFocus);
        miscRow->addWidget(stepBars_[i]);
    }
    miscRow->addStretch(1);
    column->addLayout(miscRow);
    connect(meanButton_, &QPushButton::clicked, this, [this] { Command10_Click(); });
    connect(keyHelpButton_, &QPushButton::clicked, this, &ProfileControl::Command41_Click);

    sidePanel_ = new QVBoxLayout;
    sidePanel_->setSpacing(3);
    column->addLayout(sidePanel_);
    column->addStretch(1);
    panelScroll_->setWidget(panel);
    panel->installEventFilter(this);

    keyHelpFrame_ = new QFrame(this);
    keyHelpFrame_->setObjectName("Frame9");
    keyHelpFrame_->setFrameStyle(QFrame::Box | QFrame::Raised);
    keyHelpFrame_->setAutoFillBackground(true);
    auto* help = new QVBoxLayout(keyHelpFrame_);
    help->setSpacing(1);
    for (const KeyHelpEntry& entry : KeyHelp())
        help->addWidget(new QLabel(QString::fromLatin1(entry.caption), keyHelpFrame_));
    keyHelpCloseButton_ = ViewButton("Command42", "Close", keyHelpFrame_);
    help->addWidget(keyHelpCloseButton_);
    connect(keyHelpCloseButton_, &QPushButton::clicked, this, &ProfileControl::Command42_Click);
    keyHelpFrame_->adjustSize();
    keyHelpFrame_->hide();
}

void ProfileControl::addToSidePanel(QWidget* w) { sidePanel_->addWidget(w); }
void ProfileControl::addToSidePanel(QLayout* row) { sidePanel_->addLayout(row); }

int ProfileControl::sheetListCount() const { return sheetList_->count(); }

void ProfileControl::SetSheetListItems(const QStringList& items) {
    QSignalBlocker block(sheetList_);
    sheetList_->clear();
    sheetList_->addItems(items);
}

int ProfileControl::checkedLengthOption() const {
    for (int i = 0; i < 4; ++i)
        if (lengthOptions_[i] && lengthOptions_[i]->isChecked()) return i;
    return -1;
}

void ProfileControl::LayOut() {
    // The canvas keeps at least its 9100 twips and takes whatever the panel
    // leaves; a narrow window scrolls the panel rather than squeezing its captions.
    QWidget* panel = panelScroll_->widget();
    const int panelWidth = PanelWidth();
    panel->setMinimumWidth(panelWidth - panelScroll_->verticalScrollBar()->sizeHint().width());
    const int canvasWidth = std::max(Px(kCanvasWidthTwips), width() - panelWidth - 2);
    // The host sites the view below its button row but as tall as itself:
    // the canvas keeps clear of the host's foot (status and progress bars)
    // as well as of the view's own, so that no part of a sheet shown whole
    // lies hidden.
    int bottom = height();
    if (const QWidget* host = parentWidget()) bottom = std::min(bottom, host->height() - y());
    const int canvasHeight = std::max(1, bottom - Px(500));
    const QSize before = canvas_->size();
    canvas_->setGeometry(0, 0, canvasWidth, canvasHeight);
    if (canvas_->size() != before) KeepViewOnResizedCanvas();
    // The workspace shows the view from 360 twips down, over its 375-twip
    // status bar: the panel ends above the bar so its last frame can be reached.
    panelScroll_->setGeometry(canvasWidth + 2, 0, std::max(0, width() - canvasWidth - 2),
                              std::max(1, height() - Px(360 + 375)));
    keyHelpFrame_->move(8, 8);
}

int ProfileControl::PanelWidth() const {
    // Frames shown later (the style page, the search) widen the panel: it is
    // measured with every frame of the side panel counted.
    QWidget* panel = panelScroll_->widget();
    int width = panel->sizeHint().width();
    for (int i = 0; i < sidePanel_->count(); ++i)
        if (QWidget* w = sidePanel_->itemAt(i)->widget()) {
            for (QWidget* child : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                if (child->isHidden() && child->layout()) width = std::max(width, child->sizeHint().width() + 8);
            if (w->isHidden() && w->layout()) width = std::max(width, w->sizeHint().width() + 8);
        }
    return width + panelScroll_->verticalScrollBar()->sizeHint().width();
}

QSize ProfileControl::minimumSizeHint() const { return {Px(kCanvasWidthTwips) + 2 + PanelWidth(), Px(500)}; }

void ProfileControl::WatchPanelFrames() {
    // The frames hidden until a command opens them.
    for (QWidget* w : panelScroll_->widget()->findChildren<QWidget*>())
        if (w->isHidden() && w->layout()) w->installEventFilter(this);
}

void ProfileControl::RevealInPanel(QWidget* frame) {
    // On a low screen the panel's last frames open below its bottom edge, out
    // of sight: the panel is laid out now, from the frame outwards, and
    // scrolled to show the frame's top, and all of it where it fits.
    QWidget* panel = panelScroll_->widget();
    for (QWidget* w = frame; w && w != panelScroll_; w = w->parentWidget())
        if (QLayout* l = w->layout()) l->activate();
    LayOut();
    panelScroll_->setWidgetResizable(true);  // fits the panel to its new height at once
    constexpr int margin = 4;
    const int top = std::max(0, frame->mapTo(panel, QPoint(0, 0)).y() - margin);
    const int bottom = frame->mapTo(panel, QPoint(0, frame->height())).y() + margin;
    QScrollBar* bar = panelScroll_->verticalScrollBar();
    int value = bar->value();
    value = std::max(value, bottom - panelScroll_->viewport()->height());
    value = std::min(value, top);
    bar->setValue(value);
}

bool ProfileControl::eventFilter(QObject* watched, QEvent* e) {
    // A frame opened in the panel may need more room than the panel had.
    if (watched == panelScroll_->widget() && e->type() == QEvent::LayoutRequest) LayOut();
    if (e->type() == QEvent::ShowToParent && watched != panelScroll_->widget() && watched->isWidgetType())
        RevealInPanel(static_cast<QWidget*>(watched));
    return ProfileHost::eventFilter(watched, e);
}

void ProfileControl::KeepViewOnResizedCanvas() {
    // The bar keeps its step, and the point at the centre stays put.
    ZoomAboutCentre(v_, ZoomWidth(zoomBar_->value(), WholeWidth()), canvas_->width(), canvas_->height(),
                    sheetExtent_);
    canvas_->SetScale(v_.ScaleWidth, v_.ScaleHeight);
    canvas_->MoveView(v_.ViewOriginX, v_.ViewTopY);
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
    canvas_->SetBackColour(AciToRgb(ColourIndex(m_.ObjectStyles[0].Color)));
    LoadZoomPresets(v_, m_.ObjectStyles[25]);

    if (loaded.ok()) {
        Outcome options = vd::ReloadSheetOptions(m_);
        if (options.ok()) options = ReadSettingsRec28(m_);
        if (!options.ok() && startupMessage_.isEmpty()) startupMessage_ = QString::fromStdString(options.message());
    }
    {
        QSignalBlocker block(sheetScroll_);
        sheetScroll_->setMaximum(std::max(0, m_.SheetCount - 1));
    }
    v_.DrawMode = kDrawCanvas;
    try {
        SetColumnTitles(m_, v_.ColumnCatalogue);
    } catch (const std::exception&) {
        // The catalogue keeps the titles it got; the style list shows what it has.
    }

    if (lateralOrderList_) {
        QSignalBlocker block(lateralOrderList_);
        lateralOrderList_->clear();
        lateralOrderList_->addItem("LatName");
        lateralOrderList_->setCurrentIndex(0);
    }
    if (styleList_) {
        QSignalBlocker block(styleList_);
        styleList_->clear();
        styleList_->addItem("Viewbox");
        for (int row = 1; row <= 20; ++row) {
            LineFieldToCell(m_, 79, row, v_.ColumnCatalogue);
            styleList_->addItem(QString::fromLatin1(v_.ColumnCatalogue[79].CellText.trim().c_str()));
        }
        for (const char* item : {"Text Info", "Lateral Info", "Table Line", "Other"}) styleList_->addItem(item);
    }
    const int32_t back = AciToRgb(ColourIndex(m_.ObjectStyles[0].Color));
    for (QWidget* sample : {colourSample_, canvasSample_}) {
        if (!sample) continue;
        QPalette p = sample->palette();
        p.setColor(QPalette::Window, QColor(back & 0xFF, (back >> 8) & 0xFF, (back >> 16) & 0xFF));
        sample->setPalette(p);
        sample->setAutoFillBackground(true);
    }

    const ObjectStyle& options = m_.ObjectStyles[26];
    if (options.Color == 3.0f && customLengthBox_) {
        // The custom length lives in its own box, within the range the cutting accepts.
        QSignalBlocker block(customLengthBox_);
        customLengthBox_->setText(QString::fromStdString(StoredCustomLengthText(options)));
    }
    const int choice = std::isfinite(options.Color) ? static_cast<int>(RoundHalfEven(options.Color)) : -1;
    if (choice >= 0 && choice < 4 && lengthOptions_[choice]) {
        QSignalBlocker block(lengthOptions_[choice]);
        lengthOptions_[choice]->setChecked(true);
    }
}

void ProfileControl::ReloadSheetOptions() {
    Outcome o = vd::ReloadSheetOptions(m_);
    if (!o.ok()) m_.Ui->MessageBox(o.message());
}

// ---- ff, Resize1, Redraw ------------------------------------------------------

void ProfileControl::SyncSheetList(int index) {
    QSignalBlocker a(sheetList_), b(sheetScroll_);
    if (index >= 0 && index < sheetList_->count()) sheetList_->setCurrentIndex(index);
    sheetScroll_->setMaximum(std::max(0, sheetList_->count() - 1));
    if (index >= 0) sheetScroll_->setValue(index);
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
        QStringList items;
        for (const std::string& item : SheetListItems(m_, v_.SheetNumberBase)) items << QString::fromStdString(item);
        SetSheetListItems(items);
    }
    if (monoSheetCheck_ && m_.ObjectStyles[26].DivideLen == 1) {
        QSignalBlocker block(monoSheetCheck_);
        monoSheetCheck_->setChecked(true);
    }
    SyncSheetList(sheetList_->count() > 0 ? 0 : -1);
    ShowSheet(v_, m_, sheetList_->count() > 0 ? 0 : -1);
    v_.BandLift = 1;
    v_.TextSizeMode = 1;
    v_.BandBaseY = static_cast<float>(FirstViewBaseY(v_));
    v_.DrawMode = kDrawCanvas;
    v_.SelBaseY = v_.BandBaseY;
    ShowWholeSheet();
}

void ProfileControl::Resize1() {
    CanvasStep = 2.5;
    LayOut();
    ShowWholeSheet();
    // The view is driven from the keyboard as soon as it shows.
    FocusCanvas();
}

void ProfileControl::ShowWholeSheet() {
    // The sheet's extent is known once it is drawn.
    Redraw();
    FrameSheet(v_, sheetExtent_, canvas_->width(), canvas_->height());
    {
        QSignalBlocker block(zoomBar_);
        zoomBar_->setValue(kZoomBarMax);
    }
    Redraw();
}

void ProfileControl::Redraw() {
    const bool toCanvas = v_.DrawMode == kDrawCanvas;
    canvas_->Cls(v_.ViewOriginX, v_.ViewTopY);
    canvas_->SetScale(v_.ScaleWidth, v_.ScaleHeight);
    outputs.Canvas = &canvas_->marks();
    Outcome o = Outcome::Ok();
    try {
        o = scrp(m_, v_, outputs);
    } catch (const std::exception& e) {
        o = Outcome::Fail(e.what());
    }
    v_.DrawMode = kDrawCanvas;
    // A draw into a file leaves only the screen notes on the canvas.
    if (toCanvas) sheetExtent_ = MarksExtent(canvas_->marks().marks(), v_.ViewOriginX, v_.ViewTopY);
    if (!o.ok()) m_.Ui->SetStatus(o.message());
    emit redrawn();
}

double ProfileControl::WholeWidth() const {
    return WholeSheetWidth(sheetExtent_, canvas_->width(), canvas_->height());
}

void ProfileControl::SetZoomBar(int value) {
    value = std::clamp(value, kZoomBarMin, kZoomBarMax);
    {
        QSignalBlocker block(zoomBar_);
        zoomBar_->setValue(value);
    }
    SetViewWidth(v_, ZoomWidth(value, WholeWidth()), canvas_->width(), canvas_->height());
}

// ---- sheets -------------------------------------------------------------------

void ProfileControl::Combo1_Click() {
    const int index = sheetList_->currentIndex();
    if (index < 0) return;
    ShowSheet(v_, m_, index);
    SyncSheetList(index);
    ShowWholeSheet();
}

void ProfileControl::VScroll5_Change() {
    if (sheetList_->currentIndex() < 0) return;
    const int value = sheetScroll_->value();
    if (value != sheetList_->currentIndex() && value < sheetList_->count()) {
        {
            QSignalBlocker block(sheetList_);
            sheetList_->setCurrentIndex(value);
        }
        Combo1_Click();
    }
}

void ProfileControl::findsheet(int line) {
    const int shown = v_.SheetIndex;
    if (!FindLineSheet(v_, m_, line)) return;
    SyncSheetList(v_.SheetIndex);
    v_.DrawMode = kDrawCanvas;
    // A new sheet first shows whole, the line's box on it; on the sheet
    // already shown the view goes to the line.
    if (v_.SheetIndex != shown) {
        ShowWholeSheet();
        FocusCanvas();
        return;
    }
    // The line's place on the sheet is known once the sheet is drawn.
    Redraw();
    Command7_Click();
}

void ProfileControl::Command41_Click() {
    keyHelpFrame_->show();
    keyHelpFrame_->raise();
    FocusCanvas();
}

void ProfileControl::Command42_Click() {
    keyHelpFrame_->hide();
    Redraw();
}

// ---- zoom and pan ---------------------------------------------------------------

void ProfileControl::HScroll1_Change() {
    ZoomAboutCentre(v_, ZoomWidth(zoomBar_->value(), WholeWidth()), canvas_->width(), canvas_->height(),
                    sheetExtent_);
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
    StoreZoom1(v_, zoomBar_->value(), m_.ObjectStyles[25]);
    Outcome o = PutStyleRecord(m_, 25);
    if (!o.ok()) m_.Ui->MessageBox(o.message());
    FocusCanvas();
}

void ProfileControl::Command9_Click() {
    StoreZoom2(v_, zoomBar_->value(), m_.ObjectStyles[25]);
    Outcome o = PutStyleRecord(m_, 25);
    if (!o.ok()) m_.Ui->MessageBox(o.message());
    FocusCanvas();
}

void ProfileControl::SetPanStep(int step) {
    v_.PanStep = static_cast<int16_t>(step);
    panStepLabel_->setText(QString::number(step));
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
    const int z = ZoomToSelection(v_, m_, WholeWidth(), canvas_->width(), canvas_->height());
    {
        QSignalBlocker block(zoomBar_);
        zoomBar_->setValue(z);
    }
    FocusCanvas();
    Redraw();
}

void ProfileControl::FocusCanvas() {
    if (canvas_->isVisible()) canvas_->setFocus(Qt::OtherFocusReason);
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

void ProfileControl::RunKey(KeyTarget target, int& keyCode, int mask) {
    const KeyRow row = LookUpKey(target, keyCode, mask);
    const bool canvasKeys = target == KeyTarget::Canvas;
    using C = KeyCommand;
    switch (row.command) {
        case C::Nothing: break;
        case C::NextSelection: Command3_Click(); break;
        case C::PreviousSelection: Command4_Click(); break;
        case C::PreviousSheet:
            if (sheetScroll_->value() >= 1) sheetScroll_->setValue(sheetScroll_->value() - 1);
            break;
        case C::NextSheet:
            if (sheetScroll_->value() < sheetScroll_->maximum()) sheetScroll_->setValue(sheetScroll_->value() + 1);
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
            QScrollBar* bar = stepBars_[std::clamp(row.arg, 1, 4) - 1];
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
