#include "profile_view/export_frames.h"

#include <QComboBox>
#include <QVBoxLayout>

#include "profile_view/cad_draw_commands.h"
#include "profile_view/dxf_export.h"
#include "profile_view/profile_control.h"
#include "profile_view/style_page.h"

namespace vd {

void AttachExportFrames(ProfileControl& control) {
    auto* dxf = new DxfExportCommands(control);
    auto* draw = new CadDrawFrame(control);
    auto* styles = new StylePage(control, draw->blockButtons_);
    dxf->toLabel_ = draw->toLabel_;
    control.addToSidePanel(dxf);
    control.addToSidePanel(draw);
    control.addToSidePanel(styles);
}

void ProfileControl::Command11_Click() {
    if (auto* dxf = findChild<DxfExportCommands*>()) dxf->Command11_Click();
}

void ProfileControl::Command12_Click() {
    if (auto* draw = findChild<CadDrawFrame*>()) draw->Command12_Click();
}

}  // namespace vd
