// The one exception type of the engine: a fault a command traps at its
// boundary, with the number the handlers choose their message by.
#pragma once

#include <new>
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

// The program's descriptions of the faults its commands trap.
inline constexpr const char* kOverflowText = "A number is too large for its field.";
inline constexpr const char* kOutsideTableText = "A row lies outside its table.";

// What a command that ended on a fault shows: the program's own description
// of a fault it raised, a plain sentence for any other.
inline std::string FaultText(const std::exception& e) {
    if (dynamic_cast<const RuntimeError*>(&e)) return e.what();
    if (dynamic_cast<const std::bad_alloc*>(&e)) return "There was not enough memory to finish the command.";
    return "The command ended on an unexpected fault.";
}

}  // namespace vd
