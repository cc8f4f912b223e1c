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
#include "grid/grid_export.h"
#include "grid/lateral_commands.h"
#include "platform/flex_grid.h"

namespace vd {

namespace {
// Twips per pixel of the layout the positions are given in.
constexpr int kTwips = 15;
}  // namespace

FlexCommands::FlexCommands(Flex& f) : QObject(&f), f_(f) {
    Frame2 = new FunctionPanel(&f);
    Frame2->hide();

    connect(f.Command1, &QPushButton::clicked, this, &FlexCommands::Command1_Click);
    connect(f.Command9, &QPushButton::clicked, this, &FlexCommands::Command9_Click);
    connect(f.Command6, &QPushButton::clicked, this, &FlexCommands::Command6_Click);
    connect(f.Command2, &QPushButton::clicked, this, &FlexCommands::Command2_Click);
    connect(f.Command10, &QPushButton::clicked, this, &FlexCommands::Command10_Click);
    connect(f.Command5, &QPushButton::clicked, this, &FlexCommands::Command5_Click);
    connect(f.Command4, &QPushButton::clicked, this, &FlexCommands::Command4_Click);
    connect(f.Command3, &QPushButton::clicked, this, &FlexCommands::Command3_Click);
    connect(f.mnufun, &QAction::triggered, this, &FlexCommands::mnufun_Click);
    connect(Frame2->Combo1, &ListCombo::Change, this, &FlexCommands::Combo1_Change);
    connect(Frame2->Command7, &QPushButton::clicked, this, &FlexCommands::Command7_Click);
    connect(Frame2->Command8, &QPushButton::clicked, this, &FlexCommands::Command8_Click);
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
    FlexGrid* g = f_.MSFlexGrid1;
    Flex::CommandScope scope(f_);
    const int r = FindCellRow(*g, g->Col(), f_.Text1->text().toLatin1().toStdString(), firstRow);
    if (r < 0) return;
    g->setRow(r);
    if (r >= 1 && !g->RowIsVisible(r)) g->setTopRow(r);
    if (!g->RowIsVisible(r + 1)) f_.txtEdit->hide();
    f_.BeginCellEdit();
}

void FlexCommands::Command10_Click() { Find(0); }
void FlexCommands::Command5_Click() { Find(f_.MSFlexGrid1->Row() + 1); }

void FlexCommands::Command4_Click() { f_.mnuedit->popup(f_.mapToGlobal(QPoint(500 / kTwips, 400 / kTwips))); }

void FlexCommands::Command3_Click() {
    FlexGrid* g = f_.MSFlexGrid1;
    Outcome o;
    {
        Flex::CommandScope scope(f_);
        o = FlexGrid_To_Excel(*g, ClampInt16(g->Rows()), ClampInt16(g->Cols()), 1, "");
    }
    if (!o) say(o.message());
}

void FlexCommands::mnufun_Click() {
    f_.txtEdit->hide();
    ShowFunctionPanel(true);
}

void FlexCommands::mnufunction() {
    {
        // The box follows its new target, so no stale text is stored there.
        Flex::CommandScope scope(f_);
        f_.EditRow = f_.MSFlexGrid1->Row();
        f_.EditCol = f_.MSFlexGrid1->Col();
    }
    ShowFunctionPanel(false);
}

void FlexCommands::ShowFunctionPanel(bool withJoin) {
    FlexGrid* g = f_.MSFlexGrid1;
    FunctionPanel* p = Frame2;
    p->Combo1->ClearItems();
    p->Combo2->ClearItems();
    p->Combo3->ClearItems();
    // In the lower right corner, clear of the titles of the columns picked.
    p->move(std::max(0, f_.width() - p->width() - 24), std::max(f_.Command2->height(), f_.height() - p->height() - 24));
    p->show();
    p->raise();

    p->Combo2->AddItem("");
    if (withJoin && g->TextMatrix(0, 0).empty()) g->setTextMatrix(0, 0, "No");
    std::vector<std::string> titles;
    for (int c = 0; c < g->Cols(); ++c) titles.push_back(g->TextMatrix(0, c));
    for (const std::string& t : titles) p->Combo2->AddItem(t);
    p->Combo2->setListIndex(0);
    p->Combo2->setText("");

    for (const std::string& t : TargetItems(titles)) p->Combo1->AddItem(t);
    p->Combo1->setListIndex(g->Col() - 1);
    p->Combo1->setText(g->TextMatrix(0, g->Col()));

    for (const std::string& op : CalculatorOperators(withJoin)) p->Combo3->AddItem(op);
    p->Combo3->setListIndex(0);
    p->Combo3->setText(" =");
    p->Combo3->setFocus();
}

void FlexCommands::Combo1_Change() {
    FlexGrid* g = f_.MSFlexGrid1;
    Flex::CommandScope scope(f_);
    const int remembered = g->Col();
    g->setCol(std::clamp(Frame2->Combo1->ListIndex() + 1, 0, std::max(g->Cols() - 1, 0)));
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
        o = ComputeColumn(*f_.MSFlexGrid1, Frame2->Choice());
    }
    if (!o) return say(o.message());
    f_.frm7upDATE();
}

void FlexCommands::Command8_Click() { Frame2->hide(); }

}  // namespace vd
