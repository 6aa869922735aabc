#include "devicelibs/onvif/UsernameToken.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace strovik {

namespace {

constexpr int kNonceBytes = 16;

QByteArray Escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

}  // namespace

QByteArray PasswordDigest(const QByteArray& nonce, const QString& created, const QString& password) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(nonce);
    hash.addData(created.toUtf8());
    hash.addData(password.toUtf8());
    return hash.result().toBase64();
}

QString TokenTime(const QDateTime& utc) {
    return utc.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

UsernameToken UsernameToken::make(const QString& userName, const QString& password,
                                  std::chrono::seconds clockOffset) {
    UsernameToken token;
    token.userName = userName;
    token.nonce.resize(kNonceBytes);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(token.nonce.data()), kNonceBytes / 4);
    token.created = TokenTime(QDateTime::currentDateTimeUtc().addSecs(clockOffset.count()));
    token.passwordDigest = PasswordDigest(token.nonce, token.created, password);
    return token;
}

QByteArray UsernameToken::securityHeader() const {
    return "<wsse:Security s:mustUnderstand=\"1\" "
           "xmlns:wsse=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\" "
           "xmlns:wsu=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd\">"
           "<wsse:UsernameToken><wsse:Username>" +
           Escaped(userName) +
           "</wsse:Username>"
           "<wsse:Password Type=\"http://docs.oasis-open.org/wss/2004/01/"
           "oasis-200401-wss-username-token-profile-1.0#PasswordDigest\">" +
           passwordDigest +
           "</wsse:Password>"
           "<wsse:Nonce EncodingType=\"http://docs.oasis-open.org/wss/2004/01/"
           "oasis-200401-wss-soap-message-security-1.0#Base64Binary\">" +
           nonce.toBase64() + "</wsse:Nonce><wsu:Created>" + created.toUtf8() +
           "</wsu:Created></wsse:UsernameToken></wsse:Security>";
}

}  // namespace strovik
