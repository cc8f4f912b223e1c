#include "engine/atomic_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace vd {

namespace {

thread_local std::function<int(SaveStep)> tFault;

int Injected(SaveStep step) { return tFault ? tFault(step) : 0; }

mode_t ModeFor(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (int e = Injected(SaveStep::Write)) return e;
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Makes the temporary file beside path; 0 or the system error number.
int Create(const std::string& path, std::string& tmp, int& fd) {
    tmp = path + ".XXXXXX";
    if (int e = Injected(SaveStep::Create)) return e;
    fd = ::mkstemp(tmp.data());
    if (fd < 0) return errno;
    ::fchmod(fd, ModeFor(path));
    return 0;
}

// Flushes and closes fd, then renames tmp over path; 0 or the error number.
int Finish(const std::string& path, const std::string& tmp, int fd, int err) {
    if (err == 0) err = Injected(SaveStep::Flush);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0) err = Injected(SaveStep::Rename);
    if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) ::unlink(tmp.c_str());
    return err;
}

}  // namespace

std::string FileErrorText(int e) {
    switch (e) {
        case ENOSPC:
        case EDQUOT: return "the disk is full";
        case EACCES:
        case EPERM: return "the folder or the file may not be written to";
        case EROFS: return "the disk is read-only";
        case EISDIR: return "a folder of that name stands in its place";
        case ENOENT:
        case ENOTDIR: return "the folder does not exist";
        case ENAMETOOLONG: return "the name is too long";
        case EMFILE:
        case ENFILE: return "too many files are open";
        case EIO: return "the device reported an input/output fault";
        default: return "the system refused it (error " + std::to_string(e) + ")";
    }
}

Outcome SaveFileAtomically(const std::string& path, std::string_view bytes, int* systemError) {
    AtomicFileWriter file;
    (void)file.Open(path);  // a failure is said by Commit
    file.Write(bytes);
    return file.Commit(systemError);
}

Outcome AtomicFileWriter::Failed(int err, int* systemError) const {
    if (systemError) *systemError = err;
    if (err == 0) return Outcome::Ok();
    return Outcome::Fail(path_ + " was not saved: " + FileErrorText(err) + ".");
}

Outcome AtomicFileWriter::Open(const std::string& path) {
    Abandon();
    path_ = path;
    err_ = Create(path_, tmp_, fd_);
    if (err_ != 0) fd_ = -1;
    return Failed(err_, nullptr);
}

void AtomicFileWriter::Write(std::string_view bytes) {
    if (fd_ >= 0 && err_ == 0) err_ = WriteAll(fd_, bytes);
}

Outcome AtomicFileWriter::Commit(int* systemError) {
    if (fd_ < 0) return Failed(err_ != 0 ? err_ : EBADF, systemError);
    const int err = Finish(path_, tmp_, fd_, err_);
    fd_ = -1;
    err_ = 0;
    return Failed(err, systemError);
}

void AtomicFileWriter::Abandon() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(tmp_.c_str());
    fd_ = -1;
    err_ = 0;
}

ScopedSaveFault::ScopedSaveFault(std::function<int(SaveStep)> fault) : previous_(std::move(tFault)) {
    tFault = std::move(fault);
}

ScopedSaveFault::~ScopedSaveFault() { tFault = std::move(previous_); }

}  // namespace vd
