// The selected run of lines on the shown sheet: loading a sheet, stepping with
// Tab and Shift+Tab, growing and shrinking the run, picking with the mouse and
// finding a line's sheet. The selection never leaves the shown sheet's strips.
#pragma once

#include "engine/model.h"
#include "profile_drawing/context.h"

namespace vd {

// One strip of the shown sheet, its positions from start (highest, drawn
// first) down to end.
struct StripRange {
    int start = 0;
    int end = 0;
    bool present() const { return end > 0 && start >= end; }
    bool holds(int pos) const { return present() && pos <= start && pos >= end; }
};

StripRange Strip(const ProfileViewState& v, int band);
// The strip (1 or 2) holding a position, 0 when neither does.
int StripOf(const ProfileViewState& v, int pos);
// Base y of a strip as the drawing places it.
double StripBaseY(int band, int bandLift);
// The selection base "Profile" starts from: the upper strip's base, or
// 58 + 4 x BandLift on a sheet whose upper strip is empty.
double FirstViewBaseY(const ProfileViewState& v);

// The line at a drawing position of the shown sheet; 0 off the sheet or
// outside the tables.
int LineAtPosition(const ProfileViewState& v, const Model& m, int pos);
// The selected line, and the line at the run's lower end; 0 when none.
int SelectedLine(const ProfileViewState& v, const Model& m);
int RunLowerLine(const ProfileViewState& v, const Model& m);

// Shows sheet `index` of SheetTable (an index outside the table shows no
// strips) with the run at its first position.
void ShowSheet(ProfileViewState& v, const Model& m, int index);

// Tab / Shift+Tab: one line on or back, across to the other strip at a strip's
// end, wrapping round the sheet. The run collapses to the one line.
void NextSelection(ProfileViewState& v);
void PreviousSelection(ProfileViewState& v);
// Ctrl+Right / Ctrl+Left: the run grows down its strip while its lower line is
// the main feeder of the next one; shrinks back to one line. True when changed.
bool AddToSelection(ProfileViewState& v, const Model& m);
bool RemoveFromSelection(ProfileViewState& v, const Model& m);

// Right-button pick at canvas point (x, y): the upper strip above drawing y 30,
// the lower one below; the strip that is there when the other is missing.
// The last line whose span holds x strictly wins. True when a line was picked.
bool PickLine(ProfileViewState& v, const Model& m, double x, double y);

// Shows the sheet of `line` and selects its position there, searching both
// strips. False, with nothing changed, for line 0 or a line outside the tables.
bool FindLineSheet(ProfileViewState& v, const Model& m, int line);

}  // namespace vd
