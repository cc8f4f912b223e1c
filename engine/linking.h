// Links the lines into a tree by their manhole names.
#pragma once

#include "engine/model.h"

namespace vd {

// Rebuilds NextLine, Branch1, Branch2 and UpLine of lines 1..LineCount, names
// outfalls, repairs duplicate upstream names and copies ground levels across
// manholes. Near-linear; gives exactly the results and messages of the
// pairwise first-match rules.
void BuildNetworkLinks(Model& m);

}  // namespace vd
