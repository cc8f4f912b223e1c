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
    Combo1 = new ListCombo(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo3 = new ListCombo(this);
    Combo3->setObjectName(QStringLiteral("Combo3"));
    Combo2 = new ListCombo(this);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Command7 = new QPushButton(QStringLiteral("&Ok"), this);
    Command7->setObjectName(QStringLiteral("Command7"));
    Command8 = new QPushButton(QStringLiteral("&Cancel"), this);
    Command8->setObjectName(QStringLiteral("Command8"));

    // Read left to right: target := target (operator) operand.
    Combo1->setGeometry(8, 22, 120, 24);
    Combo3->setGeometry(134, 22, 56, 24);
    Combo2->setGeometry(196, 22, 120, 24);
    Command7->setGeometry(134, 54, 88, 25);
    Command8->setGeometry(228, 54, 88, 25);
    resize(324, 88);
}

CalculatorChoice FunctionPanel::Choice() const {
    return {Combo1->ListIndex(), Combo2->ListIndex(), Combo2->Text(), Combo3->Text()};
}

}  // namespace vd
