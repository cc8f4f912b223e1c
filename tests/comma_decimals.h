#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vd::test {

// The C library's decimal sign a comma while it lives, as a German user's
// locale makes it; built from the system's locale sources when no such
// locale is installed. False when neither can be had.
class CommaDecimals {
public:
    explicit CommaDecimals(const std::filesystem::path& folder) : saved_(std::setlocale(LC_NUMERIC, nullptr)) {
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
            const std::string built = (folder / "locales").string();
            std::filesystem::create_directories(built);
            const std::string make = "localedef -i de_DE -f UTF-8 '" + built + "/de_DE.UTF-8' >/dev/null 2>&1";
            (void)std::system(make.c_str());  // warns, and fails, without changing what it built
            ::setenv("LOCPATH", built.c_str(), 1);
            std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
            ::unsetenv("LOCPATH");
        }
    }
    ~CommaDecimals() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
    explicit operator bool() const { return *std::localeconv()->decimal_point == ','; }

private:
    std::string saved_;
};

}  // namespace vd::test
