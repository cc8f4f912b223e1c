#include "profile_view/cad_draw_commands.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

#include "cad/cad_document.h"
#include "engine/fixed_text.h"
#include "profile_drawing/cad_output.h"
#include "profile_drawing/cfgplot.h"
#include "profile_drawing/output.h"
#include "profile_drawing/sheet_routine.h"
#include "profile_view/profile_control.h"
#include "profile_view/selection.h"
#include "workspace/acad_commands.h"
#include "workspace/workspace.h"
#include "profile_view/view_button.h"

namespace vd {

namespace {

QString FromLatin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }

}  // namespace

void AddStyleLayers(const Model& m, CadDocument& doc) {
    auto add = [&](float colour) { doc.Layers().Add(ColourLayerName(colour)).Color = ColourIndex(colour); };
    for (int r = 1; r <= 20; ++r)
        if (m.ObjectStyles[r].Visible.view() == "Y") add(m.ObjectStyles[r].Color);
    for (int r = 21; r <= 25; ++r)
        if (m.ObjectStyles[r].Color >= 0) add(m.ObjectStyles[r].Color);
}

std::array<double, 3> NextDrawPoint(const std::array<double, 3>& p, int lengthChoice) {
    std::array<double, 3> next = p;
    switch (lengthChoice) {
        case 0: next[0] += 90; break;
        case 1: next[0] += 160; break;
        case 2: next[0] += 50; break;
        case 3: next[1] += 80; break;
        default: break;
    }
    return next;
}

// ---- the commands ----------------------------------------------------------------

CadDrawCommands::Step CadDrawCommands::Report(const std::exception& e) {
    dialogs_.Message(FromLatin1(e.what()));
    const auto* cad = dynamic_cast<const RuntimeError*>(&e);
    if (cad && (cad->number() == caderr::Disconnected || cad->number() == caderr::ObjectNotSet)) return Step::Leave;
    return Step::Go;
}

void CadDrawCommands::EnsureTextSize() {
    if (v_.TextSizeMode != 2) {
        v_.TextSizeMode = 2;
        v_.BandLift = 0;
    }
}

void CadDrawCommands::Window(int state) {
    if (windowState) windowState(state);
}

bool CadDrawCommands::Connect() {
    doc_ = nullptr;
    if (!app) {
        dialogs_.Message("There is no drawing to draw into.");
        return false;
    }
    Outcome o = ConnectAutoCAD(m_, *app);
    if (!o.ok()) {
        dialogs_.Message(FromLatin1(o.message()));
        return false;
    }
    try {
        doc_ = &app->ActiveDocument();
        app->setVisible(true);
        app->AppActivate(app->Caption());
        app->ZoomExtents();
    } catch (const std::exception& e) {
        if (Report(e) == Step::Leave) return false;
    }
    return doc_ != nullptr;
}

bool CadDrawCommands::AskPoint() {
    try {
        const CadPoint p = doc_->Utility().GetPoint(kInsertionPrompt);
        v_.InsertionPoint = p;
        pointHeld = true;
        return true;
    } catch (const CadError& e) {
        // No point: nothing is drawn at an old one.
        if (e.number() == caderr::UserCancelled) {
            m_.Ui->SetStatus("No insertion point was given; nothing is drawn.");
            return false;
        }
        throw;
    }
}

void CadDrawCommands::DrawSheet(int mode) {
    CadDocument* drawing = doc_;
    CadOutput lines(drawing, false), blocks(drawing, true);
    OutputSet out;
    out.CadLines = &lines;
    out.CadBlocks = &blocks;
    out.Acad = drawing;
    v_.DrawMode = static_cast<int16_t>(mode);
    Outcome o = Outcome::Ok();
    try {
        o = scrp(m_, v_, out);
    } catch (...) {
        v_.DrawMode = kDrawCanvas;
        throw;
    }
    v_.DrawMode = kDrawCanvas;
    if (!o.ok()) skipped_.push_back("sheet " + std::to_string(v_.SheetIndex) + ": " + o.message());
}

void CadDrawCommands::SetDrawnStatus(int mode) {
    std::string how = mode == kDrawCadLines ? "as lines and texts" : "with attribute blocks";
    if (!skipped_.empty()) how += ", not whole";
    m_.Ui->SetStatus("Draw: the sheet is drawn " + how + ".");
}

void CadDrawCommands::ShowSkipped(const char* command) {
    if (app) app->Update();
    if (skipped_.empty()) return;
    dialogs_.Message(FromLatin1(std::string(command) + ": " + std::to_string(skipped_.size()) +
                                " sheet(s) were not drawn whole. First: " + skipped_.front()));
}

bool CadDrawCommands::Draw() {
    skipped_.clear();
    m_.Ui->SetStatus("");
    if (!app || !app->HasDocument()) {
        dialogs_.Message("No drawing is open in the Drawing window, so there is nothing to draw into. In the "
                         "Drawing window, File > Open... opens a drawing (DXF) and File > New starts an empty "
                         "one; then press \"Draw\" again. \"Draw all\" and the Draw frame's \"Draw\" start a "
                         "new drawing themselves.");
        // The Drawing window is where the user opens or starts one, so it comes up in front.
        if (app) {
            app->setVisible(true);
            app->AppActivate(app->Caption());
        }
        return false;
    }
    doc_ = &app->ActiveDocument();
    Window(1);
    app->AppActivate(app->Caption());
    bool drawn = false;
    try {
        app->ZoomExtents();
        if (AskPoint()) {
            AddStyleLayers(m_, *doc_);
            EnsureTextSize();
            DrawSheet(kDrawCadLines);
            drawn = true;
        }
    } catch (const std::exception&) {
        // Errors of this command pass without a message.
        v_.DrawMode = kDrawCanvas;
    }
    Window(2);
    if (drawn) SetDrawnStatus(kDrawCadLines);
    ShowSkipped("Draw");
    return drawn;
}

bool CadDrawCommands::DrawAll(int entries, const std::function<void(int)>& selectSheet) {
    skipped_.clear();
    m_.Ui->SetStatus("");
    EnsureTextSize();
    if (!Connect()) return false;
    try {
        if (!AskPoint()) return false;
    } catch (const std::exception& e) {
        Report(e);
        return false;
    }
    try {
        AddStyleLayers(m_, *doc_);
    } catch (const std::exception& e) {
        if (Report(e) == Step::Leave) return false;
    }
    Window(2);
    const CadPoint picked = v_.InsertionPoint;
    const int mode = lineText ? kDrawCadLines : kDrawCadBlocks;
    m_.Ui->SetProgressVisible(true);
    for (int i = 0; i < entries; ++i) {
        try {
            selectSheet(i);
            v_.InsertionPoint = {picked[0], picked[1] + kDrawAllStep * i, picked[2]};
            DrawSheet(mode);
        } catch (const std::exception& e) {
            if (Report(e) == Step::Leave) {
                m_.Ui->SetProgress(0);
                return false;
            }
        }
        m_.Ui->SetProgress(static_cast<int>(100.0 * (i + 1) / entries));
    }
    m_.Ui->SetProgress(0);
    m_.Ui->SetStatus("Draw all: " + std::to_string(entries) + " sheet(s) drawn.");
    ShowSkipped("Draw all");
    return skipped_.empty();
}

bool CadDrawCommands::DrawChosen() {
    skipped_.clear();
    m_.Ui->SetStatus("");
    EnsureTextSize();
    if (!Connect()) return false;
    try {
        if (askPoint || !pointHeld) {
            if (!AskPoint()) return false;
        } else {
            v_.InsertionPoint = NextDrawPoint(v_.InsertionPoint, lengthChoice ? lengthChoice() : m_.SheetLayoutMode);
        }
    } catch (const std::exception& e) {
        Report(e);
        return false;
    }
    const int mode = lineText ? kDrawCadLines : kDrawCadBlocks;
    try {
        AddStyleLayers(m_, *doc_);
        DrawSheet(mode);
        SetDrawnStatus(mode);
    } catch (const std::exception& e) {
        if (Report(e) == Step::Leave) return false;
    }
    Window(2);
    ShowSkipped("Draw");
    return skipped_.empty();
}

bool CadDrawCommands::DeleteBlocks() {
    if (!app || !app->HasDocument()) {
        m_.Ui->SetStatus("No drawing is open: there are no blocks to delete.");
        return true;
    }
    CadDocument& doc = app->ActiveDocument();
    // Names first: deleting changes the list being walked.
    std::vector<std::string> names;
    for (const auto& b : doc.Blocks().all()) names.push_back(b->Name);
    for (const std::string& name : names) {
        for (const char* profileBlock : kProfileBlockNames) {
            if (UpperCase(name) != profileBlock) continue;
            try {
                if (CadBlock* b = doc.Blocks().Find(name)) b->Delete();
            } catch (const CadError& e) {
                if (e.number() == caderr::ObjectReferenced) {
                    dialogs_.Message(kBlockInUseMessage);
                    app->Update();
                    return false;
                }
            }
        }
    }
    app->Update();
    return true;
}

void CadDrawCommands::SetBlocks() {
    DeleteBlocks();
    if (!app || !app->HasDocument()) return;
    DefineProfileBlocks(m_, &app->ActiveDocument(), *m_.Ui);
    app->Update();
}

// ---- the frame ---------------------------------------------------------------------


CadDrawFrame::CadDrawFrame(ProfileControl& view, QWidget* parent)
    : QWidget(parent), view_(view), commands_(view.model(), view.view(), view.dialogs()) {
    setObjectName("cadDrawFrame");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    drawButton_ = ViewButton("Command21", "Draw", this);
    drawButton_->setToolTip("Draw In Acad");
    column->addWidget(drawButton_);

    drawFrame_ = new QGroupBox("Draw", this);
    drawFrame_->setObjectName("Frame6");
    auto* f6 = new QVBoxLayout(drawFrame_);
    f6->setSpacing(2);
    // "Sheet By Lat" stands with the sheet frame's buttons.
    drawAllButton_ = ViewButton("Command12", "Draw all", drawFrame_);
    f6->addWidget(drawAllButton_);

    auto* frame7 = new QGroupBox("Draw Mode", drawFrame_);
    frame7->setObjectName("Frame7");
    auto* f7 = new QGridLayout(frame7);
    lineTextOption_ = new QRadioButton("Line-Text", frame7);
    lineTextOption_->setObjectName("Option6");
    blockAttribOption_ = new QRadioButton("Block-Attrib", frame7);
    blockAttribOption_->setObjectName("Option7");
    auto* modes = new QButtonGroup(frame7);
    modes->addButton(lineTextOption_);
    modes->addButton(blockAttribOption_);
    insertionPointCheck_ = new QCheckBox("Get Insertion point", frame7);
    insertionPointCheck_->setObjectName("Check3");
    explodeAttribCheck_ = new QCheckBox("Explode Attrib", frame7);
    explodeAttribCheck_->setObjectName("Check2");
    frameDrawButton_ = ViewButton("Command37", "Draw", frame7);
    frameCloseButton_ = ViewButton("Command38", "Close", frame7);
    f7->addWidget(lineTextOption_, 0, 0);
    f7->addWidget(blockAttribOption_, 0, 1);
    f7->addWidget(insertionPointCheck_, 1, 0);
    f7->addWidget(explodeAttribCheck_, 1, 1);
    f7->addWidget(frameDrawButton_, 2, 0);
    f7->addWidget(frameCloseButton_, 2, 1);
    f6->addWidget(frame7);

    auto* frame8 = new QGroupBox("Select Sheet", drawFrame_);
    frame8->setObjectName("Frame8");
    auto* f8 = new QGridLayout(frame8);
    int col = 0;
    for (const char* caption : {"Active Sheet", "Next Sheet", "All", "From"})
        f8->addWidget(new QRadioButton(caption, frame8), col / 2, col % 2), ++col;
    auto* fromBox = new QLineEdit(frame8);
    fromBox->setMaximumWidth(40);
    toLabel_ = new QLabel("To", frame8);
    toLabel_->setObjectName("Label1");
    auto* toBox = new QLineEdit(frame8);
    toBox->setMaximumWidth(40);
    auto* range = new QHBoxLayout;
    range->addWidget(fromBox);
    range->addWidget(toLabel_);
    range->addWidget(toBox);
    range->addStretch(1);
    f8->addLayout(range, 2, 0, 1, 2);
    f6->addWidget(frame8);

    // The block buttons sit on the style page, which takes them into its layout.
    blockButtons_ = new QWidget(this);
    blockButtons_->setObjectName("blockButtons");
    auto* blocks = new QHBoxLayout(blockButtons_);
    blocks->setContentsMargins(0, 0, 0, 0);
    setBlockButton_ = ViewButton("Command35", "Set Block", blockButtons_);
    delBlockButton_ = ViewButton("Command36", "Del Block", blockButtons_);
    blocks->addWidget(setBlockButton_);
    blocks->addWidget(delBlockButton_);
    column->addWidget(drawFrame_);
    drawFrame_->hide();

    {
        QSignalBlocker a(lineTextOption_);
        lineTextOption_->setChecked(true);
        explodeAttribCheck_->setEnabled(false);
    }
    connect(drawButton_, &QPushButton::clicked, this, &CadDrawFrame::Command21_Click);
    connect(drawAllButton_, &QPushButton::clicked, this, &CadDrawFrame::Command12_Click);
    connect(frameDrawButton_, &QPushButton::clicked, this, &CadDrawFrame::Command37_Click);
    connect(frameCloseButton_, &QPushButton::clicked, this, &CadDrawFrame::Command38_Click);
    connect(setBlockButton_, &QPushButton::clicked, this, &CadDrawFrame::Command35_Click);
    connect(delBlockButton_, &QPushButton::clicked, this, &CadDrawFrame::Command36_Click);
    connect(lineTextOption_, &QRadioButton::toggled, this, [this] { Option6_Click(); });
    connect(blockAttribOption_, &QRadioButton::toggled, this, [this] { Option7_Click(); });
    connect(explodeAttribCheck_, &QCheckBox::toggled, this, [this](bool on) { view_.view().ExplodeAttrib = on; });
}

void CadDrawFrame::Prepare() {
    if (!commands_.app || !commands_.windowState) {
        for (QWidget* w = view_.parentWidget(); w; w = w->parentWidget()) {
            if (auto* ws = qobject_cast<Vorlan*>(w)) {
                if (!commands_.app) commands_.app = &ws->AcadApp();
                if (!commands_.windowState) commands_.windowState = [ws](int state) { ws->Form1WindowState(state); };
                break;
            }
        }
    }
    commands_.lineText = lineTextOption_->isChecked();
    commands_.askPoint = insertionPointCheck_->isChecked();
    view_.view().ExplodeAttrib = explodeAttribCheck_->isChecked();
    if (!commands_.lengthChoice) {
        commands_.lengthChoice = [this] {
            const int checked = view_.checkedLengthOption();
            return checked >= 0 ? checked : static_cast<int>(view_.model().SheetLayoutMode);
        };
    }
}

std::function<void(int)> CadDrawFrame::SelectSheet() {
    return [this](int i) {
        ShowSheet(view_.view(), view_.model(), i);
        view_.SyncSheetList(i);
    };
}

void CadDrawFrame::Command21_Click() {
    drawFrame_->show();
    Prepare();
    commands_.Draw();
    view_.Redraw();
}

void CadDrawFrame::Command12_Click() {
    Prepare();
    commands_.DrawAll(view_.sheetListCount(), SelectSheet());
    view_.Redraw();
}

void CadDrawFrame::Command37_Click() {
    Prepare();
    commands_.DrawChosen();
    view_.Redraw();
}

void CadDrawFrame::Command38_Click() { drawFrame_->hide(); }

void CadDrawFrame::Option6_Click() {
    if (lineTextOption_->isChecked()) explodeAttribCheck_->setEnabled(false);
}

void CadDrawFrame::Option7_Click() {
    if (blockAttribOption_->isChecked()) explodeAttribCheck_->setEnabled(true);
}

void CadDrawFrame::Command35_Click() {
    Prepare();
    commands_.SetBlocks();
    view_.Redraw();
}

void CadDrawFrame::Command36_Click() {
    Prepare();
    commands_.DeleteBlocks();
    view_.Redraw();
}

void CadDrawFrame::MNUACAD_Click() { view_.model().Ui->SetProgress(2); }

}  // namespace vd
