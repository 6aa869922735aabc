#include "devices/Functions.h"

#include "platform/FileVersion.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QRegularExpression>

namespace strovik {

bool IsDottedQuad(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ') ++i;
    if (i == n || text[i] == u'.') return false;

    int dots = 0;
    // Saturates above 255: the comparison is against the true number, however many digits it has.
    int part = 0;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'.') {
            if (++dots > 3 || part > 255) return false;
            part = 0;
            if (i + 1 == n || !(text[i + 1] >= u'0' && text[i + 1] <= u'9')) return false;
        } else if (c >= u'0' && c <= u'9') {
            part = std::min(part * 10 + (c.unicode() - u'0'), 256);
        } else if (c == u' ') {
            while (i < n && text[i] == u' ') ++i;
            if (i < n) return false;
            break;
        } else {
            return false;
        }
    }
    return dots == 3 && part <= 255;
}

QString ResolveToIp(const QString& text) {
    if (text.isEmpty() || text.size() > 256) return {};
    if (IsDottedQuad(text)) return text.trimmed();
    const QHostInfo info = QHostInfo::fromName(text.trimmed());
    if (info.error() == QHostInfo::NoError) {
        for (const QHostAddress& address : info.addresses())
            if (address.protocol() == QAbstractSocket::IPv4Protocol) return address.toString();
    }
    return text;
}

bool IsVendorDomain(const QString& text) {
    // The dots are left unescaped on purpose: any character may stand in for them.
    static const QRegularExpression pattern(QStringLiteral("%1|%2|%3").arg(
        QLatin1String(kVendorDdnsDomain), QLatin1String(kVendorSecondDomain), QLatin1String(kPartnerDomain)));
    return !text.isEmpty() && pattern.match(text).hasMatch();
}

QString CompleteDeviceAddress(const QString& text) {
    if (text.isEmpty() || text.contains(u'.')) return text;
    return text.trimmed() + QLatin1Char('.') + QLatin1String(kVendorDdnsDomain);
}

QString LibraryHost(const QString& address) {
    return IsVendorDomain(address) ? address : ResolveToIp(address);
}

std::optional<QString> GetFileVersionText(const QString& path) {
    const auto version = ReadFileVersion(path);
    if (!version) return std::nullopt;
    auto part = [](std::uint32_t word, int shift) { return QString::number((word >> shift) & 0xFF); };
    return QStringLiteral("%1.%2.%3.%4")
        .arg(part(version->mostSignificant, 16), part(version->mostSignificant, 0),
             part(version->leastSignificant, 16), part(version->leastSignificant, 0));
}

}  // namespace strovik
