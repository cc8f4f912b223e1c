// The one way the program writes a file: the bytes go to a temporary file in
// the same folder, which is flushed to disk and renamed over the target, so a
// failed save never destroys what it replaces.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/outcome.h"

namespace vd {

// Writes bytes to path. The file keeps the mode of the one it replaces (a new
// file gets the default mode). On any failure the temporary file is removed,
// the target is untouched, and the message names path. When systemError is
// given it receives the system's error number of the failure (0 on success).
Outcome SaveFileAtomically(const std::string& path, std::string_view bytes, int* systemError = nullptr);

// The same save for a file too large to gather in memory first: Open makes
// the temporary file, Write adds to it, Commit flushes it and renames it over
// the target. A failed step is kept and said by Commit; later writes are
// dropped. Destroyed or reopened without a Commit, the temporary file is
// removed and the target stays as it was.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter() { Abandon(); }
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Fails, naming path, when the temporary file cannot be made.
    Outcome Open(const std::string& path);
    void Write(std::string_view bytes);
    Outcome Commit(int* systemError = nullptr);
    void Abandon();
    bool isOpen() const { return fd_ >= 0; }

private:
    Outcome Failed(int err, int* systemError) const;
    std::string path_, tmp_;
    int fd_ = -1;
    int err_ = 0;
};

// The steps of a save, as a fault injected by a test sees them.
enum class SaveStep { Create, Write, Flush, Rename };

// While alive, makes every save on this thread ask `fault` before each step;
// a non-zero answer fails that step with that system error number. Lets tests
// exercise failures that file permissions cannot produce for every user.
class ScopedSaveFault {
public:
    explicit ScopedSaveFault(std::function<int(SaveStep)> fault);
    ~ScopedSaveFault();
    ScopedSaveFault(const ScopedSaveFault&) = delete;
    ScopedSaveFault& operator=(const ScopedSaveFault&) = delete;

private:
    std::function<int(SaveStep)> previous_;
};

// The program's sentence for a system error number met while saving or
// reading a file ("the disk is full").
std::string FileErrorText(int systemError);

}  // namespace vd
