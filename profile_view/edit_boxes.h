// The edit boxes of the selected line: ground and invert levels, slope and
// minimum cover. A level typed once holds for every line at that manhole.
// The rules are plain code over the model and the view state; EditBoxPanel
// puts the six boxes on the profile control.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/model.h"
#include "engine/number_text.h"
#include "profile_drawing/context.h"

class QLabel;
class QLineEdit;

namespace vd {

class ProfileControl;

enum class EditBox { Gr1, Gr2, Inv1, Inv2, Slope, Cover };
enum class EditEvent { Enter, Click, Leave };

// A level more than this far from the stored one is refused.
inline constexpr double kLevelLimit = 10.0;
// Minimum cover is kept below this, and never negative.
inline constexpr double kCoverLimit = 20.0;
// A slope box value above this (per mille) puts the stored slope back.
inline constexpr double kSlopeBoxLimit = 500.0;

struct EditBoxResult {
    bool changed = false;   // the line tables were written
    bool redraw = false;    // the sheet is to be drawn again
    bool consumed = false;  // the key is swallowed
    // The text the box is set back to, when it is.
    std::optional<std::string> boxText;
    // Why the value was refused; empty when it was not.
    std::string message;
};

// A box's text as a number: one number with blanks around it, as
// ReadOneNumber takes it, and a line end pasted after it. Texts that hold
// anything else, no number at all or a number too large to hold give nothing.
std::optional<double> BoxNumber(std::string_view text);
// The same reading with its verdict; ReadSingleBox for a box whose value
// goes into a single-precision field, beyond whose range a number is too
// large.
OneNumber ReadBox(std::string_view text);
OneNumber ReadSingleBox(std::string_view text);
// The refusal of a box's text that is no number, as every box of the view
// words it: "<box>: \"12abc\" is not a number; <what stays>." (the verdict
// and its wording are NumberRefusal's), and for a blank box
// "<box>: the box is empty; <what stays>.".
std::string BoxRefusal(std::string_view box, std::string_view text, OneNumber::Kind kind, std::string_view stays);

// One event of one box with the box's text. Writes the selected line and its
// neighbours at the same manholes, recomputes the slope of each line whose
// invert changed, and checks slopes downstream for the level boxes. Bad
// input changes nothing and says why.
EditBoxResult EditBoxEvent(Model& m, const ProfileViewState& v, EditBox box, EditEvent event,
                           std::string_view text);

// The six boxes with their labels. The host fills them after each redraw and
// redraws when a commit asks for it.
class EditBoxPanel : public QWidget {
    Q_OBJECT
public:
    EditBoxPanel(Model& m, ProfileViewState& v, QWidget* parent = nullptr);

    // Called after a commit that asks for a redraw.
    std::function<void()> redraw;
    // Where refusals of Enter go (a message box); refusals on leaving a box
    // or clicking it go to the status bar.
    std::function<void(const std::string&)> showMessage;

    // Shows the texts the last redraw left in the view state.
    void Refill();

    // The handlers of the boxes, by their form names.
    void Text11_KeyPress();
    void Text8_KeyPress();
    void Text9_KeyPress();
    void Text10_KeyPress();
    void Text2_KeyPress();
    void Text2_Click();
    void Text2_LostFocus();
    void Text3_KeyPress();
    void Text3_Click();
    void Text3_LostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Handle(EditBox b, EditEvent e);
    QLineEdit* box(EditBox b) const { return boxes_[static_cast<int>(b)]; }

    Model& m_;
    ProfileViewState& v_;
    // Text11, Text8, Text9, Text10, Text2, Text3, in EditBox order.
    std::array<QLineEdit*, 6> boxes_{};
    bool refilling_ = false;
};

// Puts the boxes into the control's side panel; they show the selected line
// after every redraw and redraw the control after a commit.
EditBoxPanel* AttachEditBoxes(ProfileControl& control);

}  // namespace vd
