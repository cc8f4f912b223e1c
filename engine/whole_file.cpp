#include "engine/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "engine/atomic_save.h"

namespace vd {

Outcome ReadFilePieces(const std::string& path, const std::function<bool(std::string_view)>& piece,
                       std::size_t* sizeHint) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT) return Outcome::Fail(path + " does not exist.");
        if (e == EACCES || e == EPERM) return Outcome::Fail(path + " may not be read.");
        return Outcome::Fail(path + " could not be opened: " + FileErrorText(e) + ".");
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Outcome::Fail(path + " is a folder, not a file.");
    }
    // A device or a pipe may never end.
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Outcome::Fail(path + " is not a plain file.");
    }
    if (sizeHint) *sizeHint = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            return Outcome::Fail(path + " could not be read: " + FileErrorText(e) + ".");
        }
        if (!piece(std::string_view(buf, static_cast<std::size_t>(n)))) break;
    }
    ::close(fd);
    return Outcome::Ok();
}

Outcome ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::size_t size = 0;
    bool sized = false;
    Outcome o = ReadFilePieces(
        path,
        [&](std::string_view piece) {
            // The size is a hint only: the file may grow or shrink while it is read.
            if (!sized) bytes.reserve(size), sized = true;
            bytes.append(piece);
            return true;
        },
        &size);
    if (!o) bytes.clear();
    return o;
}

}  // namespace vd
