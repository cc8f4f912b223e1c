// Where the program keeps its own files and where backups of a network that
// has no project folder go.
#pragma once

#include <QString>
#include <string>

namespace vd {

// The folder (ending in '/') for a file of the program ("vorlan.cfg",
// "import.col"): the executable's folder when the file is there or that
// folder is writable, otherwise the per-user configuration folder.
QString ProgramFolderFor(const QString& fileName);
// The same decision for a given executable folder and configuration folder.
QString ChooseProgramFolder(const QString& exeFolder, const QString& userFolder, const QString& fileName);

// The per-user data folder (ending in '/'), created when missing; empty when
// it cannot be made.
QString UserDataFolder();

// A path split the way the project commands split it: folder with its final
// '/', base name without its last extension, and that extension ("" or ".x").
struct PathParts {
    std::string folder;
    std::string baseName;
    std::string extension;
};
PathParts SplitProjectPath(const std::string& path);

// Path text (UTF-8 on this system) to and from the 8-bit names the engine takes.
std::string EnginePath(const QString& path);
QString DisplayPath(const std::string& path);

}  // namespace vd
