#include "EventLog.h"

namespace strovik::devsim {

EventLog::EventLog() = default;

EventLog::~EventLog() {
    if (file_ != stdout) std::fclose(file_);
}

bool EventLog::openFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file) return false;
    std::lock_guard lock(mutex_);
    if (file_ != stdout) std::fclose(file_);
    file_ = file;
    return true;
}

void EventLog::write(const std::string& line) {
    std::lock_guard lock(mutex_);
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

LogLine& LogLine::add(std::string_view key, std::string_view value) {
    text_ += ' ';
    text_ += key;
    text_ += '=';
    const bool quoted = value.empty() || value.find_first_of(" \t\"=\\\n\r") != std::string_view::npos;
    if (!quoted) {
        text_ += value;
        return *this;
    }
    text_ += '"';
    for (const char c : value) {
        if (c == '"' || c == '\\') text_ += '\\';
        if (c == '\n' || c == '\r') {
            text_ += c == '\n' ? "\\n" : "\\r";
            continue;
        }
        text_ += c;
    }
    text_ += '"';
    return *this;
}

std::string HexText(const void* data, std::size_t length) {
    static constexpr char digits[] = "0123456789abcdef";
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::string text;
    text.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

}  // namespace strovik::devsim
