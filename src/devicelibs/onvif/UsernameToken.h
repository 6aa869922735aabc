#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace strovik {

// The WS-Security UsernameToken with a password digest, as ONVIF devices require it: the digest
// is Base64(SHA-1(nonce + created + password)), so the password itself never travels.
struct UsernameToken {
    QString userName;
    QByteArray nonce;  // raw bytes; Base64 on the wire
    QString created;   // UTC, xs:dateTime with a Z
    QByteArray passwordDigest;  // Base64

    // A fresh nonce and the current time.
    static UsernameToken make(const QString& userName, const QString& password);
    // The Security header element that carries it.
    QByteArray securityHeader() const;
};

// Base64 of the digest of the given parts.
QByteArray PasswordDigest(const QByteArray& nonce, const QString& created, const QString& password);

// The xs:dateTime text a token's Created carries.
QString TokenTime(const QDateTime& utc);

}  // namespace strovik
