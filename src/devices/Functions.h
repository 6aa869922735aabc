#pragma once

#include <QString>

#include <optional>

namespace strovik {

// The vendor's DDNS domain: with a dot in front it completes bare device IDs into host names.
// The three domains of the vendor pattern are reserved names that belong to nobody.
inline constexpr char kVendorDdnsDomain[] = "ddns.strovik.example";
inline constexpr char kVendorSecondDomain[] = "cloud.strovik.example";
inline constexpr char kPartnerDomain[] = "camlink.partner.test";

// "a.b.c.d" with every part at most 255, optional blanks around it; see the unit tests for the table.
bool IsDottedQuad(const QString& text);

// A dotted quad comes back trimmed; a host name is looked up through the system resolver and the
// first IPv4 address returned; a name that does not resolve comes back unchanged. Empty for an
// empty text or one longer than 256 characters. Blocks for as long as the lookup takes.
QString ResolveToIp(const QString& text);

// Whether one of the vendor domains occurs anywhere in text (unanchored; a domain's dots match any
// character; case-sensitive).
bool IsVendorDomain(const QString& text);

// A non-empty text without a dot is a device ID: trimmed and completed with the DDNS suffix.
QString CompleteDeviceAddress(const QString& text);

// The host text handed to a device library: vendor domain names unresolved (the libraries resolve
// them), anything else through ResolveToIp.
QString LibraryHost(const QString& address);

// "major.minor.build.revision" of a file's version block, each part cut to its low 8 bits;
// nullopt when the file has no readable version.
std::optional<QString> GetFileVersionText(const QString& path);

}  // namespace strovik
