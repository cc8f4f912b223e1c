#include "workspace/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vd {

namespace {
QString WithSlash(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith('/')) folder += '/';
    return folder;
}
}  // namespace

QString ChooseProgramFolder(const QString& exeFolder, const QString& userFolder, const QString& fileName) {
    QString exe = WithSlash(exeFolder);
    if (!exe.isEmpty()) {
        if (QFileInfo::exists(exe + fileName)) return exe;
        QFileInfo dir(exeFolder);
        if (dir.isDir() && dir.isWritable()) return exe;
    }
    if (!userFolder.isEmpty()) QDir().mkpath(userFolder);
    return WithSlash(userFolder);
}

QString ProgramFolderFor(const QString& fileName) {
    return ChooseProgramFolder(QCoreApplication::applicationDirPath(),
                               QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation), fileName);
}

QString UserDataFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) return {};
    return WithSlash(folder);
}

PathParts SplitProjectPath(const std::string& path) {
    PathParts p;
    std::string name = path;
    auto slash = path.find_last_of('/');
    if (slash != std::string::npos) {
        p.folder = path.substr(0, slash + 1);
        name = path.substr(slash + 1);
    }
    auto dot = name.find_last_of('.');
    if (dot != std::string::npos) {
        p.baseName = name.substr(0, dot);
        p.extension = name.substr(dot);
    } else {
        p.baseName = name;
    }
    return p;
}

std::string EnginePath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString DisplayPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace vd
