// The grid's lateral ordering and naming commands as plain procedures over
// the shared tables. Each works on the laterals a Process run left in
// LatTable; the control adds the commit before and the reload after.
#pragma once

#include <string>

#include "engine/model.h"
#include "engine/outcome.h"

namespace vd {

// Success when a Process run left a lateral table and links that fit the
// lines now in the table; else the sentence the user is shown.
Outcome CheckLateralTable(const Model& m);

// Branch levels from the lateral table: 1 along every trunk (a lateral that
// drains to the outfall), one more for each lateral further up, to 20;
// deeper laterals keep 0. A table that no longer fits the lines changes
// nothing.
void AssignLateralLevels(Model& m);

// "By  Lenght" up to the adoption of the names: numbers the laterals by the
// free length of their path, longest first, makes each numbered path the
// main upstream route, rebuilds the laterals and names trunks "01", "02", ...
// and the laterals draining into a numbered one its value + 1.
Outcome NumberLateralsByLength(Model& m);

// "By Level" up to the adoption: writes the "-2.bak" backup, re-routes the
// network so that laterals follow the levels of their head lines, rebuilds
// the laterals and names trunks "*1", "*2", ... and each branch after the
// line it joins with "-01", "-02", ... "-10".
Outcome RouteLateralsByLevel(Model& m);

// "SET Name": trunks take the name of their head line, every branch the
// name of the line it joins with "-1", "-2", ... Only names and levels change.
Outcome NameLateralsAfterReceiver(Model& m);

// The number a lateral name starts with; 0 when it starts with none, and an
// infinity of its sign when it is too large to read.
double LateralNameValue(const FixedText<40>& name);
// n with a "0" in front below 10: "01", "09", "10".
std::string TwoDigitNumber(int n);

}  // namespace vd
