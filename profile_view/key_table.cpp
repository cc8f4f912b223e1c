#include "profile_view/key_table.h"

#include <QKeyEvent>

namespace vd {

namespace {
constexpr int VK_TAB = 9, VK_ESC = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_LEFT = 37, VK_UP = 38,
              VK_RIGHT = 39, VK_DOWN = 40, VK_F2 = 113, VK_F3 = 114, VK_F4 = 115, VK_F5 = 116, VK_F6 = 117,
              VK_F7 = 118, VK_F8 = 119, VK_F9 = 120;
constexpr KeyTarget kCanvas = KeyTarget::Canvas;
constexpr KeyTarget kSample = KeyTarget::ColourSample;

std::vector<KeyRow> BuildTable() {
    using C = KeyCommand;
    std::vector<KeyRow> t = {
        {VK_ESC, kAnyMask, C::Nothing},
        {VK_TAB, 0, C::NextSelection},
        {VK_TAB, kShiftMask, C::PreviousSelection},
        {VK_PRIOR, kAnyMask, C::PreviousSheet},
        {VK_NEXT, kAnyMask, C::NextSheet},
        {'M', kCtrlMask, C::Mean},
        {VK_UP, kAnyMask, C::PanUp},
        {VK_DOWN, kAnyMask, C::PanDown},
        {VK_RIGHT, kCtrlMask, C::PanRightGrow},
        {VK_RIGHT, kAnyMask, C::PanRight},
        {VK_LEFT, kCtrlMask, C::PanLeftShrink},
        {VK_LEFT, kAnyMask, C::PanLeft},
        {VK_SPACE, kAnyMask, C::ZoomToSelection},
        {VK_F2, kAltMask, C::PipeSmaller, 0, 0, kCanvas},
        {VK_F2, kShiftMask, C::PipeSmaller, 0, 0, kSample},
        {VK_F2, kAnyMask, C::PipeLarger},
        {VK_F3, kShiftMask, C::ScrollDown, 3},
        {VK_F3, kAnyMask, C::ScrollDown, 1},
        {VK_F4, kShiftMask, C::ScrollUp, 3},
        {VK_F4, kAnyMask, C::ScrollUp, 1},
        {VK_F5, kAnyMask, C::Zoom2},
        {VK_F6, kShiftMask, C::ScrollDown, 4},
        {VK_F6, kAnyMask, C::ScrollDown, 2},
        {VK_F7, kShiftMask, C::ScrollUp, 4},
        {VK_F7, kAnyMask, C::ScrollUp, 2},
        {VK_F8, kAnyMask, C::Search, 0, 0, kCanvas},
        {VK_F9, 0, C::BranchOrNext, 0, 0, kCanvas},
        {VK_F9, kAltMask, C::BranchOrUp, 0, 0, kCanvas},
        {VK_F9, 0, C::BranchView1, 0, 0, kSample},
        {VK_F9, kShiftMask, C::BranchView2, 0, 0, kSample},
        {'H', kAltMask, C::BandLift, 8, 0, kCanvas},
        {'H', kAltMask, C::BandLift, 4, 0, kSample},
        {'I', kAltMask, C::LineInfo},
        {'L', kAnyMask, C::LKey},
        {'R', kAltMask, C::SheetLabel},
        {'R', kAnyMask, C::RedrawOnly},
        {'B', kAltMask, C::LatBase, 12, -4, kCanvas},
        {'B', kAltMask, C::LatBase, 7, -1, kSample},
        {'S', kAnyMask, C::MakeDxf},
        {'T', kAltMask, C::TextSize},
        {'D', kAnyMask, C::DrawAll},
    };
    for (int d = 0; d <= 9; ++d) {
        t.push_back({'0' + d, kAnyMask, C::PanStepDigit, d == 0 ? 10 : d});
        t.push_back({96 + d, kAnyMask, C::PanStepDigit, d == 0 ? 10 : d});
    }
    return t;
}
}  // namespace

const std::vector<KeyRow>& KeyTable() {
    static const std::vector<KeyRow> table = BuildTable();
    return table;
}

const std::vector<KeyHelpEntry>& KeyHelp() {
    using C = KeyCommand;
    // Each caption says what its key does on the canvas; the keys that only
    // move the inert scroll bars (F3, F4, F6, F7) are left out.
    static const std::vector<KeyHelpEntry> help = {
        {"Right-click---->Select Line", 0, 0, C::Nothing},
        {"Mouse-drag---->Pan", 0, 0, C::Nothing},
        {"Alt+T----->Profile Type", 84, kAltMask, C::TextSize},
        {"Press D----->Draw all", 68, 0, C::DrawAll},
        {"Press S----->Make dxf", 83, 0, C::MakeDxf},
        {"Press [0...9]----->Change  Step", 48, 0, C::PanStepDigit},
        {"Alt+B----->Base Of Draw", 66, kAltMask, C::LatBase},
        {"Alt +H ----->Prof Hight", 72, kAltMask, C::BandLift},
        {"Alt+I----->Hydrulic Iformation", 73, kAltMask, C::LineInfo},
        {"Alt+R----->Sheet Numbers", 82, kAltMask, C::SheetLabel},
        {"Press L----->Lateral Numbers", 76, 0, C::LKey},
        {"F2----->Larger Dia, DDF", 113, 0, C::PipeLarger},
        {"Alt+F2----->Smaller Dia", 113, kAltMask, C::PipeSmaller},
        {"F5----->Zoom Out", 116, 0, C::Zoom2},
        {"Space ----->Zoom To Selected Line, In The Middle", 32, 0, C::ZoomToSelection},
        {"F8----->Search", 119, 0, C::Search},
        {"F9, Alt+F9----->Lateral", 120, 0, C::BranchOrNext},
    };
    return help;
}

KeyRow LookUpKey(KeyTarget target, int keyCode, int mask) {
    for (const KeyRow& row : KeyTable()) {
        if (row.keyCode != keyCode) continue;
        if (row.only && *row.only != target) continue;
        if (row.mask != kAnyMask && row.mask != mask) continue;
        return row;
    }
    return {keyCode, mask, KeyCommand::Nothing};
}

VirtualKey ToVirtualKey(int key, int modifiers) {
    VirtualKey vk;
    if (modifiers & Qt::ShiftModifier) vk.mask |= kShiftMask;
    if (modifiers & Qt::ControlModifier) vk.mask |= kCtrlMask;
    if (modifiers & Qt::AltModifier) vk.mask |= kAltMask;
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        vk.code = (keypad ? 96 : 48) + (key - Qt::Key_0);
        return vk;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        vk.code = 'A' + (key - Qt::Key_A);
        return vk;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        vk.code = 112 + (key - Qt::Key_F1);
        return vk;
    }
    switch (key) {
        case Qt::Key_Escape: vk.code = VK_ESC; break;
        case Qt::Key_Tab: vk.code = VK_TAB; break;
        // Shift+Tab arrives as its own key.
        case Qt::Key_Backtab: vk.code = VK_TAB; vk.mask |= kShiftMask; break;
        case Qt::Key_Space: vk.code = VK_SPACE; break;
        case Qt::Key_PageUp: vk.code = VK_PRIOR; break;
        case Qt::Key_PageDown: vk.code = VK_NEXT; break;
        case Qt::Key_Left: vk.code = VK_LEFT; break;
        case Qt::Key_Up: vk.code = VK_UP; break;
        case Qt::Key_Right: vk.code = VK_RIGHT; break;
        case Qt::Key_Down: vk.code = VK_DOWN; break;
        case Qt::Key_Return: vk.code = 13; break;
        default: vk.code = 0;
    }
    return vk;
}

VirtualKey ToVirtualKey(const QKeyEvent& event) { return ToVirtualKey(event.key(), event.modifiers()); }

}  // namespace vd
