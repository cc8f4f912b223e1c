// The sheet frame and the lateral order commands: "Sheet" opens and closes the
// frame of the sheet options, "Sheet By Lat" and the sort list cut the sheets
// again in another lateral order, and the sheet options (length choice,
// custom length, "Mono sheet") go into record 27 of the settings file.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model.h"
#include "engine/outcome.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace vd {

class ProfileControl;

// The custom sheet length stays within these, in metres.
inline constexpr double kMinCustomSheetLength = 300;
inline constexpr double kMaxCustomSheetLength = 8000;
// Sheet-length choice of the custom length.
inline constexpr int kCustomLengthChoice = 3;
// The custom length box as a refusal names it.
inline constexpr const char* kCustomLengthBoxName = "Custom sheet length";

// "Sheet": whether the sheet frame is shown afterwards. It opens only when
// neither frame is shown and closes when it is; with only the style frame
// open nothing changes.
bool SheetFrameShownAfterToggle(bool sheetFrameShown, bool configFrameShown);

// The sheet list's item texts, one per sheet of SheetTable: the number the
// sheet's drawing prints (its DwgNo) plus the sheet-number base.
std::vector<std::string> SheetListItems(const Model& m, int sheetNumberBase);

// "Sheet By Lat": laterals in name order, sheets cut again. An empty network
// is left alone and says so.
Outcome SheetByLat(Model& m);

// The sort list's entries and what "LatName" does: laterals in order of their
// start, sheets cut again. The other entries are recognised and cut nothing.
extern const std::array<const char*, 6> kLateralSortChoices;
// True when the sheets were cut again.
bool SortLateralsByChoice(Model& m, std::string_view choice);

// A custom length clamped to 300..8000 m.
double ClampCustomSheetLength(double metres);
struct CustomLength {
    bool ok = false;
    double metres = 0;
    std::string boxText;  // the box's text afterwards
    std::string message;  // why the text was refused
};
// The custom length box's text: one number, clamped; anything else refused,
// naming the box.
CustomLength ReadCustomSheetLength(std::string_view text);
// The box text of a length: "2000".
std::string CustomLengthText(double metres);
// The box text of the custom length record 27 holds (row 26's Rotate),
// clamped.
std::string StoredCustomLengthText(const ObjectStyle& options);

// Sheet-length choice 0..3 into style row 26 and SheetLayoutMode; for the
// custom choice also the length of `customText`, clamped. Writes record 27.
// The outcome carries the box's text afterwards as its note.
Outcome SetSheetLengthChoice(Model& m, int choice, std::string_view customText);
// "Mono sheet": one strip per sheet when ticked. Writes record 27.
Outcome SetMonoSheet(Model& m, bool oneStrip);

// The sheet frame Frame2: the length options, the custom length box and
// "Mono sheet", with its "Close" button.
class SheetFrame : public QWidget {
    Q_OBJECT
public:
    SheetFrame(Model& m, QWidget* parent = nullptr);

    // Runs after an option was stored: reload the settings, cut the sheets
    // again and redraw.
    std::function<void()> rebuild;
    // Refills the sheet list from the sheet table as it stands and shows its
    // first sheet.
    std::function<void()> refillSheets;
    std::function<void()> redraw;
    // Whether the style configuration frame is shown.
    std::function<bool()> configShown;
    std::function<void(const std::string&)> showMessage;

    // Shows the options record 27 holds, firing nothing.
    void LoadFromSettings();

    // The checked sheet-length option; -1 when none.
    int lengthChoice() const;

    void Command17_Click();  // "Sheet"
    void Command39_Click();  // "Sheet By Lat"
    void Combo4_Click(const std::string& choice);
    void Command34_Click();  // "Close"
    void Option1_Click(int index);
    void Text6_Click();
    void Text6_KeyPress();
    void Check4_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Hands the options and boxes to the control's start-up.
    friend SheetFrame* AttachSheetFrame(ProfileControl& control);

    void Report(const Outcome& o);
    // Puts the custom length stored in record 27 back into its box.
    void ShowStoredLength();
    Model& m_;
    QButtonGroup* lengthOptions_ = nullptr;  // Option1_0 to Option1_3
    QLineEdit* customLengthBox_ = nullptr;   // Text6
    QCheckBox* monoSheetCheck_ = nullptr;    // Check4, "Mono sheet"
    bool loading_ = false;
};
// Puts "Sheet", "Sheet By Lat", the sort list and the sheet frame, hidden,
// into the control's side panel and hands their widgets to the control's
// start-up.
SheetFrame* AttachSheetFrame(ProfileControl& control);

}  // namespace vd
