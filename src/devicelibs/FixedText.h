#pragma once

#include <QString>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace strovik {

// The longest prefix of text that fits maxBytes without splitting a UTF-8 character.
inline std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) so that the cut lands on a character start.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

// A zero-terminated text field of a fixed-size record: Bytes bytes of storage holding at most
// MaxChars bytes of text, zero-filled behind it. Text longer than the field is cut on a UTF-8
// character boundary when stored.
template <std::size_t Bytes, std::size_t MaxChars = Bytes - 1>
struct FixedText {
    static_assert(MaxChars < Bytes, "room for the terminating zero");
    static constexpr std::size_t capacity = MaxChars;

    std::array<char, Bytes> bytes{};

    void assign(std::string_view text) {
        bytes.fill(0);
        const std::string_view cut = CutUtf8(text.substr(0, std::min(text.size(), text.find('\0'))), MaxChars);
        // An empty view may have no data at all, which memcpy must not be given even for 0 bytes.
        if (!cut.empty()) std::memcpy(bytes.data(), cut.data(), cut.size());
    }
    void assign(const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        assign(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    }
    FixedText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    FixedText& operator=(const QString& text) {
        assign(text);
        return *this;
    }

    // The text up to the first zero, never more than MaxChars bytes.
    std::string_view view() const {
        const auto* end = std::find(bytes.begin(), bytes.begin() + MaxChars, '\0');
        return {bytes.data(), static_cast<std::size_t>(end - bytes.begin())};
    }
    std::string str() const { return std::string(view()); }
    QString toQString() const { return QString::fromUtf8(view().data(), static_cast<qsizetype>(view().size())); }
    bool empty() const { return bytes[0] == '\0'; }

    friend bool operator==(const FixedText& a, const FixedText& b) { return a.view() == b.view(); }
};

}  // namespace strovik
