#include "devicelibs/cameras/RtspAddress.h"

#include <QUrl>

namespace strovik {

namespace {

QUrl ParsedRtsp(const std::string& text) {
    const QUrl url(QString::fromStdString(text).trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("rtsp") && scheme != QLatin1String("rtsps")) ||
        url.host().isEmpty())
        return {};
    return url;
}

}  // namespace

bool IsRtspAddress(const std::string& text) {
    return !ParsedRtsp(text).isEmpty();
}

std::string WithoutCredentials(const std::string& text) {
    QUrl url = ParsedRtsp(text);
    if (url.isEmpty()) return {};
    url.setUserInfo(QString());
    return url.toString(QUrl::FullyEncoded).toStdString();
}

std::string WithCredentials(const std::string& address, const std::string& userName, const std::string& password) {
    QUrl url = ParsedRtsp(address);
    if (url.isEmpty()) return {};
    url.setUserInfo(QString());
    if (!userName.empty()) {
        // DecodedMode: the texts are taken as they are, and every ':' '@' '/' in them is encoded.
        url.setUserName(QString::fromStdString(userName), QUrl::DecodedMode);
        if (!password.empty()) url.setPassword(QString::fromStdString(password), QUrl::DecodedMode);
    }
    return url.toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace strovik
