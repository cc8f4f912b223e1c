// Commands of the export, drawing and search frames. Each is replaced here by
// the frame that carries it; until then it says it is not available.
#include "profile_view/profile_control.h"

namespace vd {

void ProfileControl::Command18_Click() { Pending("Search"); }

}  // namespace vd
