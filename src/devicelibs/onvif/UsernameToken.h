#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>

namespace strovik {

// The WS-Security UsernameToken with a password digest, as ONVIF devices require it: the digest
// is Base64(SHA-1(nonce + created + password)), so the password itself never travels.
struct UsernameToken {
    QString userName;
    QByteArray nonce;  // raw bytes; Base64 on the wire
    QString created;   // UTC, xs:dateTime with a Z
    QByteArray passwordDigest;  // Base64

    // A fresh nonce and the current time, shifted by clockOffset (how far the device's clock is
    // ahead of ours: devices refuse tokens that are not fresh by their own clock).
    static UsernameToken make(const QString& userName, const QString& password,
                              std::chrono::seconds clockOffset = std::chrono::seconds(0));
    // The Security header element that carries it.
    QByteArray securityHeader() const;
};

// Base64 of the digest of the given parts.
QByteArray PasswordDigest(const QByteArray& nonce, const QString& created, const QString& password);

// The xs:dateTime text a token's Created carries.
QString TokenTime(const QDateTime& utc);

}  // namespace strovik
