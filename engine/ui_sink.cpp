#include "engine/ui_sink.h"

namespace vd {

void AppendLogText(std::string& log, const std::string& message) {
    if (log.size() + message.size() > 1500) {
        std::size_t from = message.size() + 99;  // 1-based position Len(message) + 100
        std::size_t crlf = from < log.size() ? log.find("\r\n", from) : std::string::npos;
        if (crlf != std::string::npos)
            log.erase(0, crlf + 2);
        else if (!log.empty())
            log.erase(0, 1);
    }
    // Always at the end, whatever the user selected in the box.
    log += message;
    log += "\r\n";
}

}  // namespace vd
