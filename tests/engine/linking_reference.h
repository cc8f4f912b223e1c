// The linking rules followed pair by pair, every line against every line:
// slow, plain, and the yardstick the fast linking is checked against.
#pragma once

#include "engine/model.h"

namespace vd::test {

void ReferenceBuildNetworkLinks(Model& m);

}  // namespace vd::test
