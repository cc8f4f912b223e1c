// A fresh folder per test, unique across the test processes CTest runs side
// by side, removed with everything in it at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace vd::test {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "vd") {
        std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("no temporary folder");
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        // A test may have taken the write bit away to provoke a failure.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder with a trailing '/', as ProjectFolder holds it.
    std::string folder() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

// A file's whole content; empty when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace vd::test
