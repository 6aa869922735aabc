#pragma once

#include <concepts>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace strovik::devsim {

// devsim's log: one line per event, "event key=value key=value ...", so that tests and scripts
// can read it. Values with blanks, quotes or '=' are quoted with backslash escapes. Lines are
// written whole and flushed at once; any thread may log.
class EventLog final {
public:
    // Logs to stdout.
    EventLog();
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Appends to a file instead; false (and stdout kept) when it cannot be opened.
    bool openFile(const std::string& path);
    void write(const std::string& line);

private:
    std::mutex mutex_;
    std::FILE* file_ = stdout;
};

// Builds one line: LogLine("ptz").add("device", name).add("code", 101).
class LogLine final {
public:
    explicit LogLine(std::string_view event) : text_(event) {}
    LogLine& add(std::string_view key, std::string_view value);
    LogLine& add(std::string_view key, const char* value) { return add(key, std::string_view(value)); }
    LogLine& add(std::string_view key, const std::string& value) { return add(key, std::string_view(value)); }
    template <std::integral Number>
    LogLine& add(std::string_view key, Number value) {
        return add(key, std::string_view(std::to_string(value)));
    }
    const std::string& text() const { return text_; }
    void writeTo(EventLog& log) const { log.write(text_); }

private:
    std::string text_;
};

// Lower-case hex of bytes, two digits each.
std::string HexText(const void* data, std::size_t length);

}  // namespace strovik::devsim
