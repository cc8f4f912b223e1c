// How an expected failure reaches the caller: success, or the sentence the
// user is shown. Faults a command traps at its boundary stay exceptions
// (engine/errors.h).
#pragma once

#include <string>
#include <utility>

namespace vd {

class [[nodiscard]] Outcome {
public:
    Outcome() = default;
    static Outcome Ok(std::string note = {}) { return Outcome(true, std::move(note)); }
    static Outcome Fail(std::string message) { return Outcome(false, std::move(message)); }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    // The failure's sentence, or an optional note on success.
    const std::string& message() const { return message_; }

private:
    Outcome(bool ok, std::string message) : ok_(ok), message_(std::move(message)) {}
    bool ok_ = true;
    std::string message_;
};

}  // namespace vd
