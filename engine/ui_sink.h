// The one way the engine reaches the window: message log, status panel 1,
// progress bar and OK-only message boxes. The workspace implements it on its
// widgets; tests record what was said. Nothing here may block.
#pragma once

#include <string>

namespace vd {

class UiSink {
public:
    virtual ~UiSink() = default;
    virtual void AppendLog(const std::string& message) = 0;
    virtual void SetStatus(const std::string& text) = 0;  // panel 1 of the status bar
    virtual void SetProgress(int value) = 0;              // 0 to 100
    virtual void SetProgressVisible(bool visible) = 0;
    virtual void MessageBox(const std::string& text) = 0;  // OK-only
};

// Says nothing; the default sink of a model no window is attached to.
class NullUi : public UiSink {
public:
    void AppendLog(const std::string&) override {}
    void SetStatus(const std::string&) override {}
    void SetProgress(int) override {}
    void SetProgressVisible(bool) override {}
    void MessageBox(const std::string&) override {}
};

// Appends one message and CR LF to a log text, keeping it near 1500
// characters by dropping its oldest lines first.
void AppendLogText(std::string& log, const std::string& message);

}  // namespace vd
