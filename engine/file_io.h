// The one way the program replaces a file and the one whole-file reader.
#pragma once

#include <string>

namespace vd {

// Writes bytes to a temporary file beside target and renames it over the
// target, so the old file stays whole until the new one is complete.
// Returns 0, or the runtime error number of the failure (61 disk full,
// 75 no access, 76 no such folder, ...).
int ReplaceFileBytes(const std::string& target, const std::string& bytes);
// Reads a whole file; false when it cannot be read (missing, a folder, ...).
bool ReadFileBytes(const std::string& path, std::string& bytes);
// The sentence for a file error number of ReplaceFileBytes.
std::string FileErrorText(int number);

}  // namespace vd
