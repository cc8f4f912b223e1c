// Commands of the export, drawing and search frames. Each is replaced here by
// the frame that carries it; until then it says it is not available.
#include "profile_view/profile_control.h"
#include "profile_view/search.h"

namespace vd {

void ProfileControl::Command18_Click() {
    if (auto* frame = findChild<SearchFrame*>()) frame->Command18_Click();
    else Pending("Search");
}

}  // namespace vd
