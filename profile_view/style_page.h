// The drawing-style page of the profile view: the 27 style rows one at a
// time in boxes, written straight into the drawing-settings file on Apply and
// Close; the defaults back with "Set Defult"; other ".cfg" files with "Load"
// and "Save"; and the canvas and selection-box colours.
#pragma once

#include <QWidget>
#include <array>
#include <string>

#include "engine/model.h"
#include "engine/outcome.h"
#include "platform/dialogs.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace vd {

class ProfileControl;

inline constexpr const char* kStyleLoadTitle = "Open";
inline constexpr const char* kStyleLoadFilter = "VORLAN File (*.cfg)|*.cfg";
inline constexpr const char* kStyleSaveTitle = "Save As";
inline constexpr const char* kStyleSaveFilter = "vrl File (*.cfg)|*.cfg";

// The boxes of one style row: Text1(0) to Text1(8), "Visiable" and "Middle".
struct StyleBoxes {
    std::array<std::string, 9> text{};
    bool visible = false;
    bool middle = false;
};

// The boxes showing row r (0 to 26). Texts are stored back into the row
// trimmed, the row's Visible upper-cased and, for r >= 1, RowLocate as the
// text of its number.
StyleBoxes ShowStyleRow(Model& m, int r);
// "Apply": the boxes into row r and record r + 1 of the settings file. With
// `shown` (the boxes as ShowStyleRow filled them), only the boxes changed
// since are taken; VSpace is the "Middle" tick's alone. A box whose value
// does not fit its field, or that the drawing could not use, or a number
// box that does not hold one number, is refused with a message naming the
// box ("Color: \"12abc\" is not a number; nothing is applied."), and
// nothing changes; refusedBox, when given, gets that box (-1 for none).
Outcome ApplyStyleRow(Model& m, int r, const StyleBoxes& boxes, const StyleBoxes* shown = nullptr,
                      int* refusedBox = nullptr);
// "Close": colours of 0 or less become 3 in rows 0 to 25, Visible is
// upper-cased; records 1 to 27 and 40 to 60 written.
Outcome CloseStyles(Model& m);
// "Set Defult": the default rows (row 26 keeps its options but for the
// length choice 0; SheetLayoutMode is left alone); records 1 to 27 and 40 to 60 written.
Outcome SetDefaultStyles(Model& m);
// "Load": rows 0 to 26 from an existing settings file, which becomes the
// settings file. A missing file, a folder, a pipe, a file too large (refused
// before it is read), or one that is no settings file changes nothing.
Outcome LoadStyleFile(Model& m, const std::string& path);
// "Save": path becomes exactly a settings file of rows 0 to 26 and the
// column map (colours of 0 or less written as 3), and the settings file once written.
Outcome SaveStyleFile(Model& m, const std::string& path);

// The "Config" button and its frame.
class StylePage : public QWidget {
    Q_OBJECT
public:
    // blockButtons: the "Set Block" and "Del Block" buttons, placed on the page.
    StylePage(ProfileControl& view, QWidget* blockButtons = nullptr, QWidget* parent = nullptr);

    void Command14_Click();  // "Config"
    void List2_Click();
    void Command30_Click();  // "Apply"
    void Option4_Click();    // "Visiable"
    void Option5_Click();    // "Unvisiable"
    void Check1_Click();     // "Middle"
    void Command29_Click();  // "Set Defult"
    void Command31_Click();  // "Close"
    void Command32_Click();  // "Load"
    void Command33_Click();  // "Save"
    void Picture1_Click();
    void Picture3_Click();
    void Picture3_MouseDown(int button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Apply from a box: Enter or leaving it.
    void ApplyFromBox();
    // A box typed in and not yet applied is applied before any button acts,
    // whatever holds the focus; false when it was refused.
    bool CommitTypedBox();
    bool ApplyShown();
    void SaveAs();
    // The note that the styles live in memory only, shown while the settings file is refused.
    void ShowFileState();
    void Repaint();
    void ShowOutcome(const Outcome& o);
    void SelectRow(int r);
    StyleBoxes Boxes() const;
    ProfileControl& view_;
    bool showing_ = false;  // filling the boxes: their signals change nothing
    bool committing_ = false;
    StyleBoxes shown_;      // the boxes as the row was shown or last applied
    QLabel* memoryNote_;
    // The children, by their form names as objectName.
    QPushButton* configButton_;               // Command14
    QGroupBox* frame_;                        // Frame3
    QListWidget* objectList_;                 // List2, "Object List:"
    std::array<QLineEdit*, 9> styleBoxes_{};  // Text1_0 to Text1_8
    QCheckBox* middleCheck_;                  // Check1
    QRadioButton *visibleOption_, *unvisibleOption_;  // Option4, Option5
    QWidget *colourSample_, *canvasSample_;           // Picture1, Picture3
    QPushButton *defaultsButton_, *applyButton_, *closeButton_, *loadButton_, *saveButton_;  // Command29 to 33
};

}  // namespace vd
