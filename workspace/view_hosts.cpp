#include "workspace/grid_host.h"
#include "workspace/profile_host.h"

namespace vd {

void GridHost::setVisible(bool visible) {
    const bool wasShown = !isHidden();
    QWidget::setVisible(visible);
    if (wasShown && !visible) emit Hide();
}

void ProfileHost::setVisible(bool visible) {
    const bool wasShown = !isHidden();
    QWidget::setVisible(visible);
    if (wasShown && !visible) emit Hide();
}

}  // namespace vd
