#include "grid/grid_export.h"

namespace vd {

// The workbook writer is not in this build yet; saying so is better
// than a button that does nothing.
Outcome FlexGrid_To_Excel(const FlexGrid&, int16_t, int16_t, int16_t, const std::string&) {
    return Outcome::Fail("The export to a workbook is not available yet.");
}

}  // namespace vd
