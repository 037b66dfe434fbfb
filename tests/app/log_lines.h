// Collects the log's entries while it lives, for tests of exact log texts.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/log.h"

namespace qm::test {

class LogLines {
public:
    LogLines()
    {
        id_ = AddLogObserver([this](LogKind kind, std::string_view text) {
            std::lock_guard lock(mutex_);
            if (kind != LogKind::DebugTrace || keepTraces) {
                lines_.emplace_back(text);
            }
        });
    }
    ~LogLines() { RemoveLogObserver(id_); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    std::vector<std::string> Take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(lines_, {});
    }

    bool keepTraces = false;

private:
    int id_ = 0;
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace qm::test
