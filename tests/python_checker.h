// The independent checkers: scripts run by the system Python, where Debian's
// python3-ezdxf and python3-openpyxl are installed, never another interpreter
// that happens to come first on the path.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vd::test {

inline constexpr const char* kSystemPython = "/usr/bin/python3";

struct PythonRun {
    int status = -1;
    std::string output;  // standard output, and standard error unless left to the test's own
    bool ok() const { return status == 0; }
};

// Writes script into folder and runs it with args (each passed as one word).
// With captureErrors false, what the script says on standard error (such as a
// library's warnings) goes to the test's own output instead of the result.
inline PythonRun RunSystemPython(const std::filesystem::path& folder, const std::string& script,
                                 const std::vector<std::string>& args = {}, bool captureErrors = true) {
    const std::filesystem::path file = folder / "check.py";
    std::ofstream(file, std::ios::binary) << script;
    std::string cmd = std::string(kSystemPython) + " '" + file.string() + "'";
    for (const auto& a : args) cmd += " '" + a + "'";
    if (captureErrors) cmd += " 2>&1";
    PythonRun run;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return run;
    char buf[4096];
    while (size_t n = std::fread(buf, 1, sizeof buf, pipe)) run.output.append(buf, n);
    run.status = pclose(pipe);
    return run;
}

// Whether the system Python can import module (each module asked once).
inline bool SystemPythonHas(const std::string& module) {
    const std::string cmd = std::string(kSystemPython) + " -c 'import " + module + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace vd::test
