// A UiSink that records, in order, what the engine said.
#pragma once

#include <string>
#include <vector>

#include "engine/ui_sink.h"

namespace vd::test {

struct UiEvent {
    enum Kind { Log, Status, Progress, ProgressVisible, Box } kind;
    std::string text;
    int value = 0;
};

class RecordingUi : public UiSink {
public:
    void AppendLog(const std::string& m) override { events.push_back({UiEvent::Log, m, 0}); logs.push_back(m); }
    void SetStatus(const std::string& t) override { events.push_back({UiEvent::Status, t, 0}); status = t; }
    void SetProgress(int v) override { events.push_back({UiEvent::Progress, {}, v}); progress = v; }
    void SetProgressVisible(bool v) override { events.push_back({UiEvent::ProgressVisible, {}, v ? 1 : 0}); }
    void MessageBox(const std::string& t) override { events.push_back({UiEvent::Box, t, 0}); boxes.push_back(t); }

    void clear() { *this = RecordingUi(); }

    std::vector<UiEvent> events;
    std::vector<std::string> logs;
    std::vector<std::string> boxes;
    std::string status;
    int progress = 0;
};

}  // namespace vd::test
