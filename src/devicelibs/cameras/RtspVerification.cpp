#include "devicelibs/cameras/RtspVerification.h"

#include "devicelibs/cameras/RtspAddress.h"
#include "devicelibs/tcpclient/SessionOpening.h"
#include "devicelibs/tcpclient/VerifyError.h"
#include "platform/TcpSocket.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QRandomGenerator>
#include <QUrl>

#include <map>
#include <vector>

namespace strovik {

namespace {

constexpr std::int32_t kVerifiedOneChannel = 1 * 100 + 58;  // one channel, rights to watch, search and steer
constexpr std::int32_t kWrongPassword = 1;
constexpr std::uint16_t kDefaultRtspPort = 554;
constexpr qsizetype kMaxHeaderBytes = 16 * 1024;

struct Answer {
    std::int32_t failure = 0;  // a VerifyError code when the answer did not come
    int status = 0;
    std::vector<QByteArray> challenges;  // WWW-Authenticate values
};

QByteArray Md5Hex(const QByteArray& text) {
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

// The parameters of a challenge: `Digest realm="x", nonce="y", qop="auth"`; names lower-cased.
std::map<QByteArray, QByteArray> ChallengeParameters(const QByteArray& challenge) {
    std::map<QByteArray, QByteArray> parameters;
    const qsizetype space = challenge.indexOf(' ');
    if (space < 0) return parameters;
    qsizetype at = space + 1;
    while (at < challenge.size()) {
        while (at < challenge.size() && (challenge[at] == ' ' || challenge[at] == ',')) ++at;
        const qsizetype equals = challenge.indexOf('=', at);
        if (equals < 0) break;
        const QByteArray name = challenge.mid(at, equals - at).trimmed().toLower();
        at = equals + 1;
        QByteArray value;
        if (at < challenge.size() && challenge[at] == '"') {
            const qsizetype close = challenge.indexOf('"', at + 1);
            value = challenge.mid(at + 1, close < 0 ? -1 : close - at - 1);
            at = close < 0 ? challenge.size() : close + 1;
        } else {
            const qsizetype comma = challenge.indexOf(',', at);
            value = challenge.mid(at, comma < 0 ? -1 : comma - at).trimmed();
            at = comma < 0 ? challenge.size() : comma;
        }
        parameters[name] = value;
    }
    return parameters;
}

bool IsScheme(const QByteArray& challenge, const char* scheme) {
    return challenge.trimmed().toLower().startsWith(QByteArray(scheme) + ' ');
}

// The Authorization header for the first challenge of a scheme we speak (Digest before Basic);
// empty when there is none.
QByteArray Authorization(const std::vector<QByteArray>& challenges, const QByteArray& uri, const QByteArray& user,
                         const QByteArray& password) {
    for (const QByteArray& challenge : challenges) {
        if (!IsScheme(challenge, "digest")) continue;
        auto parameters = ChallengeParameters(challenge.trimmed());
        const QByteArray algorithm = parameters["algorithm"].toLower();
        if (!algorithm.isEmpty() && algorithm != "md5") continue;
        const QByteArray& realm = parameters["realm"];
        const QByteArray& nonce = parameters["nonce"];
        const QByteArray first = Md5Hex(user + ':' + realm + ':' + password);
        const QByteArray second = Md5Hex("DESCRIBE:" + uri);
        QByteArray header = "Digest username=\"" + user + "\", realm=\"" + realm + "\", nonce=\"" + nonce +
                            "\", uri=\"" + uri + "\"";
        const bool qopAuth = parameters["qop"].split(',').contains("auth");
        if (qopAuth) {
            const QByteArray count = "00000001";
            const QByteArray clientNonce = QByteArray::number(QRandomGenerator::global()->generate64(), 16);
            header += ", qop=auth, nc=" + count + ", cnonce=\"" + clientNonce + "\", response=\"" +
                      Md5Hex(first + ':' + nonce + ':' + count + ':' + clientNonce + ":auth:" + second) + "\"";
        } else {
            header += ", response=\"" + Md5Hex(first + ':' + nonce + ':' + second) + "\"";
        }
        if (parameters.count("opaque") != 0) header += ", opaque=\"" + parameters["opaque"] + "\"";
        return header;
    }
    for (const QByteArray& challenge : challenges)
        if (IsScheme(challenge, "basic")) return "Basic " + (user + ':' + password).toBase64();
    return {};
}

// One DESCRIBE on a connection of its own: cameras differ in whether they keep the connection
// after a 401, and a fresh one is cheap next to the answer's wait.
class RtspExchange final {
public:
    RtspExchange(std::string host, std::uint16_t port, const TcpClientOptions& options)
        : host_(std::move(host)), port_(port), options_(options) {}

    Answer describe(const QByteArray& uri, const QByteArray& authorization) {
        Answer answer;
        std::string error;
        bool refused = false;
        const auto began = std::chrono::steady_clock::now();
        socket_ = TcpSocket::connectTo(host_, port_, options_.connectTimeout, &error, &refused);
        if (!socket_.valid()) {
            answer.failure =
                ConnectErrorCode(error, refused, std::chrono::steady_clock::now() - began, options_.connectTimeout);
            return answer;
        }
        buffered_.clear();
        QByteArray request = "DESCRIBE " + uri + " RTSP/1.0\r\nCSeq: " + QByteArray::number(++sequence_) +
                             "\r\nAccept: application/sdp\r\nUser-Agent: strovik\r\n";
        if (!authorization.isEmpty()) request += "Authorization: " + authorization + "\r\n";
        request += "\r\n";
        if (socket_.sendAll(request.constData(), static_cast<std::size_t>(request.size()), options_.sendTimeout) !=
            TcpSocket::Status::Ok) {
            answer.failure = VerifyError::SendFailed;
            return answer;
        }
        Answer received = receive();
        socket_.close();
        return received;
    }

private:
    Answer receive() {
        Answer answer;
        const auto deadline = std::chrono::steady_clock::now() + options_.answerTimeout;
        qsizetype headerEnd = -1;
        while ((headerEnd = buffered_.indexOf("\r\n\r\n")) < 0) {
            // Anything but an RTSP status line is garbage as soon as its first bytes are there.
            if (buffered_.size() > kMaxHeaderBytes ||
                (buffered_.size() >= 5 && !buffered_.startsWith("RTSP/"))) {
                answer.failure = VerifyError::ProtocolError;
                return answer;
            }
            if (const std::int32_t failure = readMore(deadline); failure != 0) {
                answer.failure = failure;
                return answer;
            }
        }
        const QList<QByteArray> lines = buffered_.left(headerEnd).split('\n');
        const QList<QByteArray> statusLine = lines.front().trimmed().split(' ');
        bool numeric = false;
        answer.status = statusLine.size() >= 2 ? statusLine[1].toInt(&numeric) : 0;
        if (!statusLine.front().startsWith("RTSP/1.") || !numeric) {
            answer.failure = VerifyError::ProtocolError;
            return answer;
        }
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon < 0) continue;
            const QByteArray name = lines[i].left(colon).trimmed().toLower();
            const QByteArray value = lines[i].mid(colon + 1).trimmed();
            if (name == "www-authenticate") answer.challenges.push_back(value);
        }
        return answer;
    }

    std::int32_t readMore(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return VerifyError::NoAnswer;
        char chunk[4096];
        std::size_t received = 0;
        switch (socket_.receiveSome(chunk, sizeof chunk, &received, left)) {
            case TcpSocket::Status::Ok:
                buffered_.append(chunk, static_cast<qsizetype>(received));
                return 0;
            case TcpSocket::Status::TimedOut:
                return VerifyError::NoAnswer;
            case TcpSocket::Status::Closed:
            case TcpSocket::Status::Failed:
                break;
        }
        return VerifyError::ClosedEarly;
    }

    const std::string host_;
    const std::uint16_t port_;
    const TcpClientOptions options_;
    TcpSocket socket_;
    QByteArray buffered_;
    int sequence_ = 0;
};

std::int32_t VerdictOf(int status) {
    if (status >= 200 && status < 300) return kVerifiedOneChannel;
    if (status == 401 || status == 403) return kWrongPassword;
    return VerifyError::Refused;
}

}  // namespace

std::int32_t VerifyRtspCamera(const std::string& streamAddress, const std::string& userName,
                              const std::string& password, const TcpClientOptions& options) {
    const std::string address = WithoutCredentials(streamAddress);
    if (address.empty()) return VerifyError::BadHost;
    const QUrl url(QString::fromStdString(address));
    const int port = url.port(kDefaultRtspPort);
    if (port < 1 || port > 65535) return VerifyError::BadPort;
    const QByteArray uri = QByteArray::fromStdString(address);

    RtspExchange exchange(url.host().toStdString(), static_cast<std::uint16_t>(port), options);
    const Answer first = exchange.describe(uri, {});
    if (first.failure != 0) return first.failure;
    if (first.status != 401) return VerdictOf(first.status);
    const QByteArray authorization =
        Authorization(first.challenges, uri, QByteArray::fromStdString(userName), QByteArray::fromStdString(password));
    if (authorization.isEmpty()) return kWrongPassword;  // no scheme we can answer: we cannot log in
    const Answer second = exchange.describe(uri, authorization);
    if (second.failure != 0) return second.failure;
    return VerdictOf(second.status);
}

}  // namespace strovik
