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

    CalculatorChoice Choice() const;

    ListCombo* Combo1;  // target column
    ListCombo* Combo2;  // operand: empty item, then the columns; typed text is a constant
    ListCombo* Combo3;  // operator
    QPushButton* Command7;  // "&Ok"
    QPushButton* Command8;  // "&Cancel"
};

}  // namespace vd
