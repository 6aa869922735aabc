#pragma once

#include "devicelibs/onvif/XmlTree.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace strovik {

// The limits of one SOAP exchange. Every wait is bounded, so a call returns within
// connectTimeout + answerTimeout (plus the resolver's time for a host given by name).
struct SoapLimits {
    std::chrono::milliseconds connectTimeout{3000};
    std::chrono::milliseconds answerTimeout{5000};  // from the first byte sent to the whole answer
    std::size_t maxAnswerBytes = 1024 * 1024;       // a device's answers are a few kilobytes
    // A bound on a series of calls as a whole: each call ends by it at the latest.
    QDeadlineTimer overall{QDeadlineTimer::Forever};
};

// Where a service listens: the device's host and port and the path of its address.
struct SoapEndpoint {
    QString host;
    std::uint16_t port = 80;
    QString path = QStringLiteral("/onvif/device_service");
};

enum class SoapOutcome {
    Answered,       // a SOAP body that is not a fault
    NotAuthorized,  // HTTP 401 or a fault saying the credentials were refused
    Fault,          // any other SOAP fault
    BadHost,        // empty host or a name that does not resolve
    ConnectFailed,  // refused or unreachable
    ConnectTimedOut,
    NoAnswer,       // nothing complete within the answer timeout
    ClosedEarly,    // the device closed the connection before a whole answer
    Malformed,      // not HTTP, not XML, not SOAP, or larger than the limit
};

struct SoapReply {
    SoapOutcome outcome = SoapOutcome::Malformed;
    std::optional<XmlElement> body;  // the SOAP Body element when outcome is Answered
    QString faultText;               // the fault's code, subcode and reason when there is one
};

// Classifies what a device sent back: the HTTP status and the body's bytes.
SoapReply InterpretSoapAnswer(int httpStatus, const QByteArray& body);

// The SOAP 1.2 envelope around a body, with the security header (empty for none).
QByteArray SoapEnvelope(const QByteArray& securityHeader, const QByteArray& bodyContent);

// Posts the envelope and reads the answer, on the calling thread (any thread; no event loop is
// needed). The connection is closed afterwards.
SoapReply CallSoap(const SoapEndpoint& endpoint, const QByteArray& envelope, const SoapLimits& limits);

}  // namespace strovik
