#include "engine/project_reset.h"

#include <algorithm>

namespace vd {

void ResetProject(Model& m) {
    ApplyDefaultCriteria(m.Criteria);
    m.DiaCount = 1;

    // Rows are cleared with the old count so that nothing of the old network
    // shows again; row 1 is cleared even when no line was held, since it is
    // the one line the new project starts with.
    const int upper = std::min(m.LineUpper(), m.LinkUpper());
    const int rows = std::clamp(m.LineCount, 1, std::max(upper, 1));
    for (int i = 1; i <= rows && i <= upper; ++i) {
        m.ClearLine(i);
        m.ClearLink(i);
        m.Lines[i].to = "";
    }

    m.SheetLayoutMode = 1;
    m.LineCount = 1;
    // The lateral table describes the lines just cleared.
    m.LatCount = 0;
}

}  // namespace vd
