// The profile view's keys: one table of virtual-key code, modifier mask and
// command for the canvas and for the style page's colour sample, and the
// translation of Qt key events into those codes and masks.
#pragma once

#include <optional>
#include <vector>

class QKeyEvent;

namespace vd {

// Modifier mask bits; a row's mask is compared for equality.
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;
inline constexpr int kAnyMask = -1;

enum class KeyTarget { Canvas, ColourSample };

enum class KeyCommand {
    Nothing,
    NextSelection,
    PreviousSelection,
    PreviousSheet,
    NextSheet,
    Mean,
    PanUp,
    PanDown,
    PanRight,
    PanRightGrow,   // Ctrl+Right: pan, then grow the run
    PanLeft,
    PanLeftShrink,  // Ctrl+Left: pan, then shrink the run
    ZoomToSelection,
    PipeSmaller,    // "aF2"
    PipeLarger,     // "F2", and "D" into Status
    ScrollDown,     // moves VScroll<arg> one down
    ScrollUp,
    Zoom2,
    Search,
    BranchOrNext,   // canvas F9
    BranchOrUp,     // canvas Alt+F9
    BranchView1,    // colour sample F9
    BranchView2,    // colour sample Shift+F9
    BandLift,       // 0..arg, wrapping
    LineInfo,
    LKey,
    SheetLabel,
    RedrawOnly,
    LatBase,        // +1 while below arg, else arg2
    MakeDxf,
    TextSize,
    PanStepDigit,
    DrawAll,
};

struct KeyRow {
    int keyCode;
    int mask;  // kAnyMask: not tested
    KeyCommand command;
    int arg = 0;
    int arg2 = 0;
    // Rows for one target only; the rest serve both.
    std::optional<KeyTarget> only = std::nullopt;
};

const std::vector<KeyRow>& KeyTable();
// The first row for the key, mask and target; Nothing when none.
KeyRow LookUpKey(KeyTarget target, int keyCode, int mask);

// One line of the key help ("Keys"), with the key it names on the canvas;
// keyCode 0 for a mouse action.
struct KeyHelpEntry {
    const char* caption;
    int keyCode;
    int mask;
    KeyCommand command;
};
const std::vector<KeyHelpEntry>& KeyHelp();

// Windows virtual-key code and modifier mask of a Qt key event; code 0 for a
// key the table does not know. Keypad digits give 96..105.
struct VirtualKey {
    int code = 0;
    int mask = 0;
};
VirtualKey ToVirtualKey(const QKeyEvent& event);
VirtualKey ToVirtualKey(int qtKey, int qtModifiers);

}  // namespace vd
