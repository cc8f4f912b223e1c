#include "engine/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "engine/atomic_save.h"

namespace vd {

Outcome ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT) return Outcome::Fail(path + " does not exist.");
        return Outcome::Fail(path + " could not be opened: " + FileErrorText(e) + ".");
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Outcome::Fail(path + " is a folder, not a file.");
    }
    // The size is a hint only: the file may grow or shrink while it is read.
    if (st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            bytes.clear();
            return Outcome::Fail(path + " could not be read: " + FileErrorText(e) + ".");
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return Outcome::Ok();
}

}  // namespace vd
