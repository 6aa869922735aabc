#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstddef>
#include <utility>
#include <vector>

namespace strovik {

// The start line and header fields of one HTTP/1.1 message.
struct HttpHead {
    QByteArray startLine;
    std::vector<std::pair<QByteArray, QByteArray>> fields;  // names as sent, values trimmed

    // The first field of that name (case-insensitive); empty when absent.
    QByteArray field(QByteArrayView name) const;
    // The status code of a response's start line; 0 when it is not one.
    int statusCode() const;
};

enum class HttpReadState { Incomplete, Complete, Malformed, TooLarge };

// One message read from the front of what arrived so far. A request without Content-Length has no
// body; a response without one runs to the end of the connection (peerClosed). Chunked bodies are
// decoded. Heads are limited to 16 KiB and bodies to maxBodyBytes however they are framed.
struct HttpRead {
    HttpReadState state = HttpReadState::Incomplete;
    HttpHead head;
    QByteArray body;
    std::size_t consumed = 0;  // bytes of the message, for the next one on the same connection
};

enum class HttpMessageKind { Request, Response };

HttpRead ReadHttpMessage(QByteArrayView received, HttpMessageKind kind, bool peerClosed,
                         std::size_t maxBodyBytes);

}  // namespace strovik
