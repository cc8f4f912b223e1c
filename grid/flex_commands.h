// The grid's command buttons and the "Function" frame: the lateral ordering
// and naming commands, Find, "EDIT", "Set EXCEL" and the column calculator.
// Constructed once by the table editor, as its child.
#pragma once

#include <QObject>
#include <string>

namespace vd {

class Flex;
class FunctionPanel;

class FlexCommands : public QObject {
    Q_OBJECT
public:
    explicit FlexCommands(Flex& f);

    // Lateral commands.
    void Command1_Click();  // "By  Lenght"
    void Command9_Click();  // "By Level"
    void Command6_Click();  // "SET Name"
    void Command2_Click();  // "SET Latral"

    void Command10_Click();  // Find from the title row
    void Command5_Click();   // Find next, below the current row
    void Command4_Click();   // "EDIT": the Edit menu as a pop-up
    void Command3_Click();   // "Set EXCEL"

    // Column calculator.
    void mnufun_Click();
    void mnufunction();
    void Combo1_Change();
    void Command7_Click();  // "&Ok"
    void Command8_Click();  // "&Cancel"

    FunctionPanel* Frame2;

private:
    void ShowFunctionPanel(bool withJoin);
    void Find(int firstRow);
    // Stores what the view holds, as hiding it would, before a command
    // reworks the tables and shows the lateral view.
    bool prepareLateralCommand();
    // The engine adopts the lateral names; the lateral view shows the result.
    void SetLateralStep();
    void say(const std::string& message);

    Flex& f_;
};

}  // namespace vd
