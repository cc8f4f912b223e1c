// The sample town network copied into a test folder, opened and processed as
// the workspace does, with the default drawing styles and its sheets cut.
#pragma once

#include <filesystem>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/sheet_cutting.h"
#include "profile_drawing/drawing_settings.h"

namespace vd::test {

// False when the sample could not be read.
inline bool OpenProcessedTown(Model& m, const std::filesystem::path& dir) {
    namespace fs = std::filesystem;
    const fs::path src = fs::path(VIDODUV_SOURCE_DIR) / "examples";
    for (const char* f : {"town.asb", "town.cor"}) fs::copy_file(src / f, dir / f, fs::copy_options::overwrite_existing);
    ApplyDefaultStyles(m);
    m.SheetLayoutMode = CInt(m.ObjectStyles[26].Color);
    m.ProjectFolder = dir.string() + "/";
    m.ProjectName = "town";
    if (!LoadNetworkText(m, (dir / "town.asb").string())) return false;
    BuildNetworkLinks(m);
    NameLaterals(m);
    ProcessNetwork(m);
    CutSheets(m, 0);
    return true;
}

}  // namespace vd::test
