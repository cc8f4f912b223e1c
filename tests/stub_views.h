// Views for a workspace under test that needs neither a table editor nor a
// profile view: they load, draw and write back nothing.
#pragma once

#include "workspace/grid_host.h"
#include "workspace/profile_host.h"
#include "workspace/workspace.h"

namespace vd::test {

struct StubGrid : GridHost {
    void mnusewer() override {}
    void mnulatral() override {}
    void mnuout() override {}
    void frm7upDATE() override {}
};

struct StubProfile : ProfileHost {
    void ff() override {}
    void Resize1() override {}
    void ReloadSheetOptions() override {}
};

// The workspace takes them over.
inline WorkspaceViews StubViews() { return {new StubGrid, new StubProfile}; }

}  // namespace vd::test
