// The "Function" frame of the grid: target column, operator and operand
// lists with Ok and Cancel. The lists remember whether their text was picked
// or typed, since only a pick names a column.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <string>
#include <vector>

#include "grid/column_calculator.h"

class QPushButton;

namespace vd {

// An editable list whose ListIndex is the item last picked, -1 once the
// user types into it.
class ListCombo : public QComboBox {
    Q_OBJECT
public:
    explicit ListCombo(QWidget* parent = nullptr);
    int ListIndex() const { return listIndex_; }
    void setListIndex(int index);
    std::string Text() const;
    void setText(const std::string& text);
    void AddItem(const std::string& text);
    void ClearItems();

signals:
    // A pick or a typed change, as Change and Click of the list.
    void Change();

private:
    int listIndex_ = -1;
};

class FunctionPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit FunctionPanel(QWidget* parent = nullptr);

    // Lists the grid's title row `titles` as targets and operands, and the
    // operators (with the join when `withJoin`); column `col` is the target shown.
    void Fill(const std::vector<std::string>& titles, int col, bool withJoin);
    int TargetIndex() const { return targetList_->ListIndex(); }
    CalculatorChoice Choice() const;

signals:
    void TargetChange();  // a pick or typed change of the target list
    void Ok();
    void Cancel();

private:
    // Each carries its form name as objectName.
    ListCombo* targetList_;     // Combo1
    ListCombo* operandList_;    // Combo2: empty item, then the columns; typed text is a constant
    ListCombo* operatorList_;   // Combo3
    QPushButton* okButton_;     // Command7 "&Ok"
    QPushButton* cancelButton_; // Command8 "&Cancel"
};

}  // namespace vd
