#include "devicelibs/onvif/SoapCall.h"

#include "devicelibs/onvif/HttpMessage.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

namespace strovik {

namespace {

bool IsAuthorizationFault(const QString& codes) {
    // ONVIF devices name a refused login ter:NotAuthorized; plain WS-Security stacks use
    // wsse:FailedAuthentication or wsse:InvalidSecurityToken.
    return codes.contains(QLatin1String("NotAuthorized")) || codes.contains(QLatin1String("FailedAuthentication")) ||
           codes.contains(QLatin1String("InvalidSecurityToken"));
}

QString FaultText(const XmlElement& fault) {
    QStringList parts;
    // SOAP 1.2: Code/Value, Code/Subcode/Value (nested), Reason/Text; SOAP 1.1: faultcode, faultstring.
    for (const XmlElement* value : fault.descendants(u"Value")) parts << value->text;
    parts << fault.childText(u"faultcode");
    if (const XmlElement* reason = fault.child(u"Reason"))
        for (const XmlElement* text : reason->descendants(u"Text")) parts << text->text;
    parts << fault.childText(u"faultstring");
    parts.removeAll(QString());
    return parts.join(QLatin1String(" | "));
}

SoapOutcome ConnectOutcome(QAbstractSocket::SocketError error) {
    switch (error) {
        case QAbstractSocket::HostNotFoundError:
            return SoapOutcome::BadHost;
        case QAbstractSocket::SocketTimeoutError:
            return SoapOutcome::ConnectTimedOut;
        default:
            return SoapOutcome::ConnectFailed;
    }
}

}  // namespace

SoapReply InterpretSoapAnswer(int httpStatus, const QByteArray& body) {
    SoapReply reply;
    if (httpStatus == 401 || httpStatus == 403) {
        reply.outcome = SoapOutcome::NotAuthorized;
        return reply;
    }
    auto document = ParseXmlTree(body);
    const XmlElement* soapBody =
        document && document->name == QLatin1String("Envelope") ? document->child(u"Body") : nullptr;
    if (!soapBody) {
        reply.outcome = SoapOutcome::Malformed;
        return reply;
    }
    if (const XmlElement* fault = soapBody->child(u"Fault")) {
        reply.faultText = FaultText(*fault);
        reply.outcome = IsAuthorizationFault(reply.faultText) ? SoapOutcome::NotAuthorized : SoapOutcome::Fault;
        return reply;
    }
    // A body that is not a fault but came with an error status is not an answer we can trust.
    if (httpStatus < 200 || httpStatus > 299) {
        reply.outcome = SoapOutcome::Malformed;
        return reply;
    }
    reply.outcome = SoapOutcome::Answered;
    reply.body = *soapBody;
    return reply;
}

QByteArray SoapEnvelope(const QByteArray& securityHeader, const QByteArray& bodyContent) {
    QByteArray envelope =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
        "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\" "
        "xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\" "
        "xmlns:tptz=\"http://www.onvif.org/ver20/ptz/wsdl\" "
        "xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\" "
        "xmlns:tt=\"http://www.onvif.org/ver10/schema\">";
    if (!securityHeader.isEmpty()) envelope += "<s:Header>" + securityHeader + "</s:Header>";
    envelope += "<s:Body>" + bodyContent + "</s:Body></s:Envelope>";
    return envelope;
}

SoapReply CallSoap(const SoapEndpoint& endpoint, const QByteArray& envelope, const SoapLimits& limits) {
    SoapReply failed;
    if (endpoint.host.trimmed().isEmpty() || endpoint.port == 0) {
        failed.outcome = SoapOutcome::BadHost;
        return failed;
    }
    QTcpSocket socket;
    socket.connectToHost(endpoint.host, endpoint.port);
    const QDeadlineTimer connectDeadline = std::min(QDeadlineTimer(limits.connectTimeout), limits.overall);
    if (!socket.waitForConnected(static_cast<int>(std::max<qint64>(connectDeadline.remainingTime(), 1)))) {
        failed.outcome = ConnectOutcome(socket.error());
        return failed;
    }

    const QDeadlineTimer deadline = std::min(QDeadlineTimer(limits.answerTimeout), limits.overall);
    const QByteArray hostField = QHostAddress(endpoint.host).protocol() == QAbstractSocket::IPv6Protocol
                                     ? "[" + endpoint.host.toUtf8() + "]"
                                     : endpoint.host.toUtf8();
    QByteArray request = "POST " + (endpoint.path.isEmpty() ? QByteArray("/") : endpoint.path.toUtf8()) +
                         " HTTP/1.1\r\nHost: " + hostField + ":" + QByteArray::number(endpoint.port) +
                         "\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
                         QByteArray::number(envelope.size()) + "\r\nConnection: close\r\n\r\n" + envelope;
    socket.write(request);
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            failed.outcome = socket.state() == QAbstractSocket::ConnectedState ? SoapOutcome::NoAnswer
                                                                                 : SoapOutcome::ClosedEarly;
            return failed;
        }
    }

    QByteArray received;
    while (true) {
        received += socket.readAll();
        const bool closed = socket.state() != QAbstractSocket::ConnectedState;
        const HttpRead read = ReadHttpMessage(received, HttpMessageKind::Response, closed, limits.maxAnswerBytes);
        switch (read.state) {
            case HttpReadState::Complete:
                return InterpretSoapAnswer(read.head.statusCode(), read.body);
            case HttpReadState::Malformed:
                failed.outcome = received.isEmpty() ? SoapOutcome::ClosedEarly : SoapOutcome::Malformed;
                return failed;
            case HttpReadState::TooLarge:
                failed.outcome = SoapOutcome::Malformed;
                return failed;
            case HttpReadState::Incomplete:
                break;
        }
        if (closed) {
            failed.outcome = received.isEmpty() ? SoapOutcome::ClosedEarly : SoapOutcome::Malformed;
            return failed;
        }
        if (deadline.hasExpired()) {
            failed.outcome = SoapOutcome::NoAnswer;
            return failed;
        }
        // Waiting for the rest of the time: a wait that ends with nothing while the connection
        // stands is the deadline (or a socket error); a closed connection is read above.
        if (!socket.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1))) &&
            socket.state() == QAbstractSocket::ConnectedState) {
            failed.outcome = SoapOutcome::NoAnswer;
            return failed;
        }
    }
}

}  // namespace strovik
