// The one way the program reads a file from outside: all of it, at once.
#pragma once

#include <string>

#include "engine/outcome.h"

namespace vd {

// Reads the whole file at path into bytes. A missing file, a folder or a read
// fault fails with a sentence naming path; bytes is then empty.
Outcome ReadWholeFile(const std::string& path, std::string& bytes);

}  // namespace vd
