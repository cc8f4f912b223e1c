// Automatic lateral names, branch levels and sequence order.
#pragma once

#include "engine/model.h"

namespace vd {

// Names every lateral, sets Level and SeqText, puts the lines in sequence
// order and links them again. The caller has run BuildNetworkLinks.
void NameLaterals(Model& m);

}  // namespace vd
