// The table editor and profile view a benchmarked main window hosts, as the
// program builds them; the profile view keeps its settings file in a scratch folder.
#pragma once

#include <QString>
#include <filesystem>

#include "grid/flex.h"
#include "profile_view/profile_control.h"
#include "workspace/workspace.h"

namespace vd {

inline WorkspaceViews ProgramViews(Model& m, Dialogs& dialogs) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vidoduv_bench_views";
    std::filesystem::create_directories(folder);
    return {new Flex(m, dialogs), new ProfileControl(m, dialogs, nullptr, QString::fromStdString(folder.string() + "/"))};
}

}  // namespace vd
