#include "devicelibs/onvif/HttpMessage.h"

#include <limits>
#include <optional>

namespace strovik {

namespace {

constexpr qsizetype kMaxHeadBytes = 16 * 1024;

std::optional<std::size_t> ParseSize(QByteArrayView text, int base) {
    bool ok = false;
    const qulonglong value = text.trimmed().toULongLong(&ok, base);
    if (!ok || value > std::numeric_limits<std::size_t>::max() / 2) return std::nullopt;
    return static_cast<std::size_t>(value);
}

std::optional<HttpHead> ParseHead(QByteArrayView bytes) {
    HttpHead head;
    bool first = true;
    for (QByteArrayView line : QByteArray::fromRawData(bytes.data(), bytes.size()).split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        if (first) {
            if (line.isEmpty()) return std::nullopt;
            head.startLine = line.toByteArray();
            first = false;
            continue;
        }
        if (line.isEmpty()) continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) return std::nullopt;
        head.fields.emplace_back(line.first(colon).trimmed().toByteArray(), line.sliced(colon + 1).trimmed().toByteArray());
    }
    if (first) return std::nullopt;
    return head;
}

// Decodes a chunked body from the front of bytes.
HttpRead ReadChunked(QByteArrayView bytes, std::size_t maxBodyBytes, HttpRead read, std::size_t headBytes) {
    qsizetype at = 0;
    while (true) {
        const qsizetype lineEnd = bytes.sliced(at).indexOf("\r\n");
        if (lineEnd < 0) {
            read.state = bytes.size() - at > 64 ? HttpReadState::Malformed : HttpReadState::Incomplete;
            return read;
        }
        QByteArrayView sizeText = bytes.sliced(at, lineEnd);
        if (const qsizetype extension = sizeText.indexOf(';'); extension >= 0) sizeText = sizeText.first(extension);
        const auto size = ParseSize(sizeText, 16);
        if (!size) {
            read.state = HttpReadState::Malformed;
            return read;
        }
        if (static_cast<std::size_t>(read.body.size()) + *size > maxBodyBytes) {
            read.state = HttpReadState::TooLarge;
            return read;
        }
        at += lineEnd + 2;
        if (*size == 0) {
            // Trailer fields, if any, end with an empty line.
            const qsizetype end = bytes.sliced(at).indexOf("\r\n\r\n");
            if (bytes.sliced(at).startsWith("\r\n")) {
                read.consumed = headBytes + static_cast<std::size_t>(at) + 2;
            } else if (end >= 0) {
                read.consumed = headBytes + static_cast<std::size_t>(at + end) + 4;
            } else {
                read.state = HttpReadState::Incomplete;
                return read;
            }
            read.state = HttpReadState::Complete;
            return read;
        }
        if (static_cast<std::size_t>(bytes.size() - at) < *size + 2) {
            read.state = HttpReadState::Incomplete;
            return read;
        }
        read.body.append(bytes.sliced(at, static_cast<qsizetype>(*size)));
        at += static_cast<qsizetype>(*size);
        if (bytes.sliced(at, 2) != "\r\n") {
            read.state = HttpReadState::Malformed;
            return read;
        }
        at += 2;
    }
}

}  // namespace

QByteArray HttpHead::field(QByteArrayView name) const {
    for (const auto& [key, value] : fields)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

int HttpHead::statusCode() const {
    const QList<QByteArray> parts = startLine.split(' ');
    if (parts.size() < 2 || !parts[0].startsWith("HTTP/")) return 0;
    bool ok = false;
    const int code = parts[1].toInt(&ok);
    return ok && code >= 100 && code <= 999 ? code : 0;
}

HttpRead ReadHttpMessage(QByteArrayView received, HttpMessageKind kind, bool peerClosed, std::size_t maxBodyBytes) {
    HttpRead read;
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (received.size() > kMaxHeadBytes) read.state = HttpReadState::TooLarge;
        else if (peerClosed) read.state = HttpReadState::Malformed;
        return read;
    }
    if (headEnd > kMaxHeadBytes) {
        read.state = HttpReadState::TooLarge;
        return read;
    }
    auto head = ParseHead(received.first(headEnd));
    if (!head || (kind == HttpMessageKind::Response && head->statusCode() == 0)) {
        read.state = HttpReadState::Malformed;
        return read;
    }
    read.head = std::move(*head);
    const auto headBytes = static_cast<std::size_t>(headEnd + 4);
    const QByteArrayView rest = received.sliced(headEnd + 4);

    if (read.head.field("Transfer-Encoding").toLower().contains("chunked")) {
        read = ReadChunked(rest, maxBodyBytes, std::move(read), headBytes);
        if (read.state == HttpReadState::Incomplete && peerClosed) read.state = HttpReadState::Malformed;
        return read;
    }
    const QByteArray lengthText = read.head.field("Content-Length");
    if (!lengthText.isEmpty()) {
        const auto length = ParseSize(lengthText, 10);
        if (!length) {
            read.state = HttpReadState::Malformed;
        } else if (*length > maxBodyBytes) {
            read.state = HttpReadState::TooLarge;
        } else if (static_cast<std::size_t>(rest.size()) >= *length) {
            read.body = rest.first(static_cast<qsizetype>(*length)).toByteArray();
            read.consumed = headBytes + *length;
            read.state = HttpReadState::Complete;
        } else if (peerClosed) {
            read.state = HttpReadState::Malformed;
        }
        return read;
    }
    if (kind == HttpMessageKind::Request) {
        read.consumed = headBytes;
        read.state = HttpReadState::Complete;
        return read;
    }
    if (static_cast<std::size_t>(rest.size()) > maxBodyBytes) {
        read.state = HttpReadState::TooLarge;
    } else if (peerClosed) {
        read.body = rest.toByteArray();
        read.consumed = static_cast<std::size_t>(received.size());
        read.state = HttpReadState::Complete;
    }
    return read;
}

}  // namespace strovik
