// The one way the program reads a file from outside: all of it, at once.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "engine/outcome.h"

namespace vd {

// Reads the whole file at path into bytes. A missing file, a folder, a device
// or pipe, or a read fault fails with a sentence naming path; bytes is then
// empty.
Outcome ReadWholeFile(const std::string& path, std::string& bytes);
// Reads the file at path a piece at a time, handing each to piece until it
// returns false or the file ends; fails as ReadWholeFile does. sizeHint, when
// given, gets the size the file had when it was opened.
Outcome ReadFilePieces(const std::string& path, const std::function<bool(std::string_view)>& piece,
                       std::size_t* sizeHint = nullptr);

}  // namespace vd
