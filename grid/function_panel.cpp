#include "grid/function_panel.h"

#include <QLineEdit>
#include <QPushButton>

namespace vd {

namespace {
QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

ListCombo::ListCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::activated, this, [this](int index) {
        listIndex_ = index;
        emit Change();
    });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
        listIndex_ = -1;
        emit Change();
    });
}

void ListCombo::setListIndex(int index) {
    listIndex_ = (index >= 0 && index < count()) ? index : -1;
    if (listIndex_ >= 0) setCurrentIndex(listIndex_);
}

std::string ListCombo::Text() const { return currentText().toLatin1().toStdString(); }
void ListCombo::setText(const std::string& text) { setEditText(Latin1(text)); }
void ListCombo::AddItem(const std::string& text) { addItem(Latin1(text)); }

void ListCombo::ClearItems() {
    clear();
    listIndex_ = -1;
}

FunctionPanel::FunctionPanel(QWidget* parent) : QGroupBox(QStringLiteral("Function"), parent) {
    setObjectName(QStringLiteral("Frame2"));
    setAutoFillBackground(true);
    targetList_ = new ListCombo(this);
    targetList_->setObjectName(QStringLiteral("Combo1"));
    operatorList_ = new ListCombo(this);
    operatorList_->setObjectName(QStringLiteral("Combo3"));
    operandList_ = new ListCombo(this);
    operandList_->setObjectName(QStringLiteral("Combo2"));
    okButton_ = new QPushButton(QStringLiteral("&Ok"), this);
    okButton_->setObjectName(QStringLiteral("Command7"));
    cancelButton_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("Command8"));

    // Read left to right: target := target (operator) operand.
    targetList_->setGeometry(8, 22, 120, 24);
    operatorList_->setGeometry(134, 22, 56, 24);
    operandList_->setGeometry(196, 22, 120, 24);
    okButton_->setGeometry(134, 54, 88, 25);
    cancelButton_->setGeometry(228, 54, 88, 25);
    resize(324, 88);

    connect(targetList_, &ListCombo::Change, this, &FunctionPanel::TargetChange);
    connect(okButton_, &QPushButton::clicked, this, &FunctionPanel::Ok);
    connect(cancelButton_, &QPushButton::clicked, this, &FunctionPanel::Cancel);
}

void FunctionPanel::Fill(const std::vector<std::string>& titles, int col, bool withJoin) {
    targetList_->ClearItems();
    operandList_->ClearItems();
    operatorList_->ClearItems();

    operandList_->AddItem("");
    for (const std::string& t : titles) operandList_->AddItem(t);
    operandList_->setListIndex(0);
    operandList_->setText("");

    for (const std::string& t : TargetItems(titles)) targetList_->AddItem(t);
    targetList_->setListIndex(col - 1);
    targetList_->setText(col >= 0 && col < static_cast<int>(titles.size()) ? titles[col] : std::string());

    for (const std::string& op : CalculatorOperators(withJoin)) operatorList_->AddItem(op);
    operatorList_->setListIndex(0);
    operatorList_->setText(" =");
    operatorList_->setFocus();
}

CalculatorChoice FunctionPanel::Choice() const {
    return {targetList_->ListIndex(), operandList_->ListIndex(), operandList_->Text(), operatorList_->Text()};
}

}  // namespace vd
