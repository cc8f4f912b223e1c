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

namespace vd::test {

struct Town {
    TempDir dir{"vd_town_export"};
    RecordingUi ui;
    Model m;
    ProfileViewState v;
    ScriptedDialogs dialogs;

    Town() {
        namespace fs = std::filesystem;
        const fs::path src = fs::path(VIDODUV_SOURCE_DIR) / "examples";
        for (const char* f : {"town.asb", "town.cor"})
            fs::copy_file(src / f, dir.path() / f, fs::copy_options::overwrite_existing);
        m.SetUi(&ui);
        m.SettingsFilePath = dir.folder() + "vorlan.cfg";
        ApplyDefaultStyles(m);
        m.SheetLayoutMode = CInt(m.ObjectStyles[26].Color);
        m.ProjectFolder = dir.folder();
        m.ProjectName = "town";
        (void)LoadNetworkText(m, dir.folder() + "town.asb");
        BuildNetworkLinks(m);
        NameLaterals(m);
        ProcessNetwork(m);
        CutSheets(m, 0);
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
    const std::filesystem::path file = folder / "check.py";
    std::ofstream(file) << script;
    std::string cmd = "/usr/bin/python3 " + file.string();
    for (const auto& a : args) cmd += " '" + a + "'";
    cmd += " 2>&1";
    std::string output;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) {
        status = -1;
        return output;
    }
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) output.append(buf, n);
    status = pclose(pipe);
    return output;
}

}  // namespace vd::test
