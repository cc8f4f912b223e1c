// The sample town network opened and processed as the workspace does, its
// sheets cut, for the export and drawing tests; and a runner for the system
// Python's DXF checks.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/network_file.h"
#include "engine/number_text.h"
#include "engine/process.h"
#include "engine/sheet_cutting.h"
#include "platform/dialogs.h"
#include "profile_drawing/context.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_view/selection.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "town_network.h"
#include "python_checker.h"

namespace vd::test {

struct Town {
    TempDir dir{"vd_town_export"};
    RecordingUi ui;
    Model m;
    ProfileViewState v;
    ScriptedDialogs dialogs;

    Town() {
        m.SetUi(&ui);
        m.SettingsFilePath = dir.folder() + "vorlan.cfg";
        (void)OpenProcessedTown(m, dir.path());
    }
    ~Town() { m.SetUi(nullptr); }

    // Shows list entry i as picking it in the sheet list does.
    void Select(int i) { ShowSheet(v, m, i); }
    std::string path(const std::string& name) const { return dir.folder() + name; }
};

// Runs a script under the system Python with the arguments; its output and
// exit status.
inline std::string RunPython(const std::filesystem::path& folder, const std::string& script,
                             const std::vector<std::string>& args, int& status) {
    PythonRun run = RunSystemPython(folder, script, args);
    status = run.status;
    return run.output;
}

}  // namespace vd::test
