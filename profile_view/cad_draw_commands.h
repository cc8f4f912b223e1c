// The profile view's drawing into the CAD drawing: "Draw" (the shown sheet
// as lines and texts), "Draw all" (every sheet of the list, 120 units apart),
// "Draw" of the Draw frame (the shown sheet in the chosen mode at a picked or
// moved point), and the block commands "Del Block" and "Set Block".
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "engine/model.h"
#include "platform/dialogs.h"
#include "profile_drawing/context.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vd {

class CadApplication;
class CadDocument;
class ProfileControl;

inline constexpr const char* kInsertionPrompt = "Enter Insertion point: ";
inline constexpr const char* kBlockInUseMessage = "Erase All Profile for Redefine";
// Vertical distance between sheets of "Draw all".
inline constexpr double kDrawAllStep = 120;

// One layer per style row in use: rows 1 to 20 shown ("Y"), rows 21 to 25
// with a colour of 0 or more; named by the colour number, in that colour.
void AddStyleLayers(const Model& m, CadDocument& doc);

// Where the next "Draw" of the Draw frame goes when no point is asked: the
// previous point moved by the sheet-length choice (0: X+90, 1: X+160,
// 2: X+50, 3: Y+80).
std::array<double, 3> NextDrawPoint(const std::array<double, 3>& previous, int lengthChoice);

// The commands over the model, the view state and the CAD application,
// without a window. Each returns false when it ended early.
class CadDrawCommands {
public:
    CadDrawCommands(Model& m, ProfileViewState& v, Dialogs& dialogs) : m_(m), v_(v), dialogs_(dialogs) {}

    CadApplication* app = nullptr;
    // The main window's state: 1 minimized, 2 maximized.
    std::function<void(int)> windowState;
    // Draw mode of "Draw all" and the Draw frame: true "Line-Text", false "Block-Attrib".
    bool lineText = true;
    // "Get Insertion point".
    bool askPoint = false;
    // The sheet-length choice of the sheet frame (0 to 3).
    std::function<int()> lengthChoice;
    // True once a point was picked; the Draw frame then moves it instead of asking.
    bool pointHeld = false;

    // "Draw": the shown sheet as lines and texts at a picked point; needs a
    // drawing connected earlier.
    bool Draw();
    // "Draw all": every list entry, entry i at the picked point + 120·i.
    // selectSheet(i) makes entry i the shown sheet.
    bool DrawAll(int entries, const std::function<void(int)>& selectSheet);
    // "Draw" of the Draw frame.
    bool DrawChosen();
    // "Del Block": deletes the profile block definitions. False when one is
    // still in use (the message says so; those deleted before stay deleted).
    bool DeleteBlocks();
    // "Set Block": "Del Block", then the blocks made anew from the styles.
    void SetBlocks();

private:
    enum class Step { Go, Leave };
    // What an error in "Draw all" and the Draw frame does: shown; the
    // command leaves on a lost connection or a missing object.
    Step Report(const std::exception& e);
    bool Connect();
    bool AskPoint();
    void EnsureTextSize();
    void Window(int state);
    // One sheet into the drawing in the mode given; failed marks collected.
    void DrawSheet(int mode);
    void ShowSkipped(const char* command);
    // The status a draw that went through leaves, whatever an earlier command said.
    void SetDrawnStatus(int mode);

    Model& m_;
    ProfileViewState& v_;
    Dialogs& dialogs_;
    CadDocument* doc_ = nullptr;
    std::vector<std::string> skipped_;
};

// The "Draw" button (Command21) and the Draw frame Frame6 with "Draw all",
// its mode options, the point check box and the sheet choice nobody reads;
// and the block buttons, which the style page shows.
class CadDrawFrame : public QWidget {
    Q_OBJECT
public:
    explicit CadDrawFrame(ProfileControl& view, QWidget* parent = nullptr);

    void Command21_Click();  // "Draw"
    void Command12_Click();  // "Draw all"; the key D too
    void Command37_Click();  // "Draw" of the Draw frame
    void Command38_Click();  // "Close"
    void Option6_Click();    // "Line-Text"
    void Option7_Click();    // "Block-Attrib"
    void Command35_Click();  // "Set Block"
    void Command36_Click();  // "Del Block"
    void MNUACAD_Click();    // sets the workspace progress bar to 2; no caller

    CadDrawCommands& commands() { return commands_; }
    // The application and window the commands reach: the hosting workspace's
    // unless set.
    void setApplication(CadApplication* app) { commands_.app = app; }

private:
    // Hands the "To" label and the block buttons to the frames that show them.
    friend void AttachExportFrames(ProfileControl& control);

    void Prepare();
    std::function<void(int)> SelectSheet();
    ProfileControl& view_;
    CadDrawCommands commands_;
    // The children, by their form names as objectName.
    QPushButton* drawButton_;                            // Command21
    QGroupBox* drawFrame_;                               // Frame6
    QPushButton* drawAllButton_;                         // Command12
    QPushButton *frameDrawButton_, *frameCloseButton_;   // Command37, Command38
    QPushButton *setBlockButton_, *delBlockButton_;      // Command35, Command36
    QRadioButton *lineTextOption_, *blockAttribOption_;  // Option6, Option7
    QCheckBox* insertionPointCheck_;                     // Check3
    QCheckBox* explodeAttribCheck_;                      // Check2
    QLabel* toLabel_;                                    // Label1, "To"
    QWidget* blockButtons_;  // "Set Block" and "Del Block", for the style page
};

}  // namespace vd
