// The one exception type of the engine: a fault a command traps at its
// boundary, with the number the handlers choose their message by.
#pragma once

#include <stdexcept>
#include <string>

namespace vd {

// A fault passed to the caller, with the error number the handlers
// choose their message by (6 overflow, 9 subscript out of range, 53 file not
// found, 62 input past end of file, ...).
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

}  // namespace vd
