// Automatic lateral names, branch levels and sequence order.
#pragma once

#include "engine/model.h"

namespace vd {

// Names every lateral, sets Level and SeqText, puts the lines in sequence
// order and links them again. The caller has run BuildNetworkLinks.
void NameLaterals(Model& m);

// The reordering stage of NameLaterals on its own: for i = 1..LineCount, every
// row j >= i whose SeqText begins with the number i is exchanged with row i,
// in ascending j. Only Lines rows move. Near-linear.
void ReorderLinesBySequence(Model& m);

}  // namespace vd
