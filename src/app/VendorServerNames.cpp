#include "app/VendorServerNames.h"

#include "devices/Functions.h"

#include <QStringList>

namespace strovik {

namespace {

QStringList vendorServerNames() {
    QStringList names;
    for (const char* domain : {kVendorDdnsDomain, kVendorSecondDomain, kPartnerDomain})
        for (const char* host : {"www", "ns1", "ns2", "dns", "update"})
            names.push_back(QLatin1String(host) + QLatin1Char('.') + QLatin1String(domain));
    return names;
}

}  // namespace

bool IsVendorServerName(const QString& text) {
    static const QStringList names = vendorServerNames();
    return !text.isEmpty() && names.contains(text, Qt::CaseSensitive);
}

}  // namespace strovik
