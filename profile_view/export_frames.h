// The export buttons, the Draw frame and the style page, placed in the
// profile view's side panel.
#pragma once

namespace vd {

class ProfileControl;

// Builds them into the view; the view's start-up then fills the style list.
void AttachExportFrames(ProfileControl& control);

}  // namespace vd
