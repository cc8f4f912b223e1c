#include "grid/flex_commands.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <algorithm>

#include "engine/fixed_text.h"
#include "engine/number_text.h"
#include "engine/set_laterals.h"
#include "grid/cell_search.h"
#include "grid/column_calculator.h"
#include "grid/flex.h"
#include "grid/function_panel.h"
#include "grid/lateral_commands.h"
#include "platform/flex_grid.h"
#include "workspace/excel_export.h"

namespace vd {

namespace {
// Twips per pixel of the layout the positions are given in.
constexpr int kTwips = 15;

// The grid as the column calculator reads it: texts, and the exact values
// cells stand for.
struct CalculatorGrid {
    Flex& f;
    FlexGrid& g;
    int Rows() const { return g.Rows(); }
    int Cols() const { return g.Cols(); }
    const std::string& TextMatrix(int r, int c) const { return g.TextMatrix(r, c); }
    std::optional<float> CellExact(int r, int c) const { return f.CellExact(r, c); }
    bool HoldsSingles(int c) const { return f.HoldsSingles(c); }
    void GiveCell(int r, int c, const std::string& text, std::optional<float> exact) { f.GiveCell(r, c, text, exact); }
};
}  // namespace

FlexCommands::FlexCommands(Flex& f) : QObject(&f), f_(f) {
    functionPanel_ = new FunctionPanel(&f);
    functionPanel_->hide();

    connect(f.byLengthButton_, &QPushButton::clicked, this, &FlexCommands::Command1_Click);
    connect(f.byLevelButton_, &QPushButton::clicked, this, &FlexCommands::Command9_Click);
    connect(f.setNameButton_, &QPushButton::clicked, this, &FlexCommands::Command6_Click);
    connect(f.setLateralButton_, &QPushButton::clicked, this, &FlexCommands::Command2_Click);
    connect(f.findButton_, &QPushButton::clicked, this, &FlexCommands::Command10_Click);
    connect(f.findNextButton_, &QPushButton::clicked, this, &FlexCommands::Command5_Click);
    connect(f.editButton_, &QPushButton::clicked, this, &FlexCommands::Command4_Click);
    connect(f.excelButton_, &QPushButton::clicked, this, &FlexCommands::Command3_Click);
    connect(f.functionAction_, &QAction::triggered, this, &FlexCommands::mnufun_Click);
    connect(functionPanel_, &FunctionPanel::TargetChange, this, &FlexCommands::Combo1_Change);
    connect(functionPanel_, &FunctionPanel::Ok, this, &FlexCommands::Command7_Click);
    connect(functionPanel_, &FunctionPanel::Cancel, this, &FlexCommands::Command8_Click);
}

void FlexCommands::say(const std::string& message) { f_.model().Ui->MessageBox(message); }

bool FlexCommands::prepareLateralCommand() {
    f_.frm7upDATE();
    if (Outcome ready = CheckLateralTable(f_.model()); !ready) {
        say(ready.message());
        return false;
    }
    return true;
}

void FlexCommands::Command1_Click() {
    if (!prepareLateralCommand()) return;
    if (Outcome o = NumberLateralsByLength(f_.model()); !o) return say(o.message());
    SetLateralStep();
}

void FlexCommands::Command9_Click() {
    if (!prepareLateralCommand()) return;
    if (Outcome o = RouteLateralsByLevel(f_.model()); !o) return say(o.message());
    SetLateralStep();
}

void FlexCommands::Command6_Click() {
    if (!prepareLateralCommand()) return;
    if (Outcome o = NameLateralsAfterReceiver(f_.model()); !o) return say(o.message());
    f_.mnulatral();
}

void FlexCommands::Command2_Click() {
    if (prepareLateralCommand()) SetLateralStep();
}

void FlexCommands::SetLateralStep() {
    SetLaterals(f_.model());
    f_.mnulatral();
}

void FlexCommands::Find(int firstRow) {
    FlexGrid* g = f_.grid_;
    Flex::CommandScope scope(f_);
    const int r = FindCellRow(*g, g->Col(), f_.searchBox_->text().toLatin1().toStdString(), firstRow);
    if (r < 0) return;
    g->setRow(r);
    if (r >= 1 && !g->RowIsVisible(r)) g->setTopRow(r);
    if (!g->RowIsVisible(r + 1)) f_.editBox_->hide();
    f_.BeginCellEdit();
}

void FlexCommands::Command10_Click() { Find(0); }
void FlexCommands::Command5_Click() { Find(f_.grid_->Row() + 1); }

void FlexCommands::Command4_Click() { f_.editMenu_->popup(f_.mapToGlobal(QPoint(500 / kTwips, 400 / kTwips))); }

void FlexCommands::Command3_Click() {
    FlexGrid* g = f_.grid_;
    // A refused text in the open cell is told, and nothing is exported.
    if (!f_.CommitCellEdit()) return;
    Flex::CommandScope scope(f_);
    FlexGrid_To_Excel([g](int r, int c) { return g->TextMatrix(r, c); }, ClampInt16(g->Rows()), ClampInt16(g->Cols()), 1,
                      "", f_.dialogs_, *f_.model().Ui, f_.openWorkbook_);
}

void FlexCommands::mnufun_Click() {
    f_.editBox_->hide();
    ShowFunctionPanel(true);
}

void FlexCommands::mnufunction() {
    {
        // The box follows its new target, so no stale text is stored there.
        Flex::CommandScope scope(f_);
        f_.EditRow = f_.grid_->Row();
        f_.EditCol = f_.grid_->Col();
    }
    ShowFunctionPanel(false);
}

void FlexCommands::ShowFunctionPanel(bool withJoin) {
    FlexGrid* g = f_.grid_;
    FunctionPanel* p = functionPanel_;
    // In the lower right corner, clear of the titles of the columns picked.
    p->move(std::max(0, f_.width() - p->width() - 24), std::max(f_.setLateralButton_->height(), f_.height() - p->height() - 24));
    p->show();
    p->raise();

    if (withJoin && g->TextMatrix(0, 0).empty()) g->setTextMatrix(0, 0, "No");
    std::vector<std::string> titles;
    for (int c = 0; c < g->Cols(); ++c) titles.push_back(g->TextMatrix(0, c));
    p->Fill(titles, g->Col(), withJoin);
}

void FlexCommands::Combo1_Change() {
    FlexGrid* g = f_.grid_;
    Flex::CommandScope scope(f_);
    const int remembered = g->Col();
    g->setCol(std::clamp(functionPanel_->TargetIndex() + 1, 0, std::max(g->Cols() - 1, 0)));
    g->setRow(1);
    g->setRowSel(g->Rows() - 1);
    g->setCol(remembered);
}

void FlexCommands::Command7_Click() {
    Outcome o;
    {
        // Typed text is stored first; at the end the box shows its cell's
        // new text, so the write-back cannot put the old one back.
        Flex::CommandScope scope(f_);
        CalculatorGrid grid{f_, *f_.grid_};
        o = ComputeColumn(grid, functionPanel_->Choice());
    }
    if (!o) return say(o.message());
    f_.frm7upDATE();
}

void FlexCommands::Command8_Click() { functionPanel_->hide(); }

}  // namespace vd
