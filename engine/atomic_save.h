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
