#include "devices/Functions.h"

#include "platform/FileVersion.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace strovik {
namespace {

TEST(Functions, DottedQuad) {
    const struct {
        const char* text;
        bool expected;
    } cases[] = {
        {"10.0.0.1", true},
        {"  10.0.0.1  ", true},
        {"010.000.000.001", true},
        {"255.255.255.255", true},
        {"0000000000000000000000000000001.2.3.4", true},
        {"10.0.0", false},
        {"10..0.1", false},
        {".10.0.0.1", false},
        {"10.0.0.1.", false},
        {"10.0.0.256", false},
        {"256.0.0.1", false},
        {"10.0.0.1 x", false},
        {"10 .0.0.1", false},
        {"10.0.0.1.5", false},
        {"10.0.0.a", false},
        {"", false},
        {"   ", false},
        {"99999999999999999999999.0.0.1", false},  // a long digit run must not wrap around to a small value
        {"1.2.3.42949672961", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsDottedQuad(c.text), c.expected);
    }
}

TEST(Functions, ResolveToIpTrimsQuadsLooksUpNamesAndBoundsTheLength) {
    EXPECT_EQ(ResolveToIp("  192.168.1.5 "), "192.168.1.5");
    EXPECT_EQ(ResolveToIp(""), "");
    // localhost resolves through the hosts file, so these lookups never leave the machine.
    EXPECT_EQ(ResolveToIp("localhost"), "127.0.0.1");
    const QString padded256 = QStringLiteral("localhost").leftJustified(256, u' ');
    EXPECT_EQ(ResolveToIp(padded256), "127.0.0.1");
    EXPECT_EQ(ResolveToIp(padded256 + u' '), "");
    EXPECT_EQ(ResolveToIp(QStringLiteral("1.2.3.4").leftJustified(257, u' ')), "");
    // A name that cannot be resolved comes back as typed, blanks included. (An empty label is
    // refused before any query leaves the machine.)
    EXPECT_EQ(ResolveToIp(" bad..host"), " bad..host");
}

TEST(Functions, VendorDomainIsAnUnanchoredCaseSensitiveSearch) {
    const QString ddns = QString::fromLatin1(kVendorDdnsDomain);
    const struct {
        QString text;
        bool expected;
    } cases[] = {
        {"123456." + ddns, true},
        {"www." + QString::fromLatin1(kVendorSecondDomain), true},
        {"cam." + QString::fromLatin1(kPartnerDomain) + ".local", true},
        {QString(ddns).replace(u'.', u'x'), true},  // any character stands in for a dot
        {ddns.toUpper(), false},
        {"192.168.1.5", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(IsVendorDomain(c.text), c.expected);
    }
}

TEST(Functions, CompleteDeviceAddressAndLibraryHost) {
    const QString suffix = QLatin1Char('.') + QString::fromLatin1(kVendorDdnsDomain);
    EXPECT_EQ(CompleteDeviceAddress(" 123456 "), "123456" + suffix);
    EXPECT_EQ(CompleteDeviceAddress("cam.example.org"), "cam.example.org");
    EXPECT_EQ(CompleteDeviceAddress(""), "");

    EXPECT_EQ(LibraryHost("123456" + suffix), "123456" + suffix);
    EXPECT_EQ(LibraryHost(" 10.0.0.7"), "10.0.0.7");
    EXPECT_EQ(LibraryHost("localhost"), "127.0.0.1");
}

TEST(Functions, FileVersionPartsAreCutToEightBits) {
    const test::TempDir dir;
    const QString stamped = dir.write("app.bin", "head" + MakeVersionStamp({(1u << 16) | 2u, (3u << 16) | 300u}));
    EXPECT_EQ(GetFileVersionText(stamped), QStringLiteral("1.2.3.44"));
    EXPECT_EQ(GetFileVersionText(dir.write("plain.bin", "no version here")), std::nullopt);
    EXPECT_EQ(GetFileVersionText(dir.file("Strovik.ocx")), std::nullopt);
}

}  // namespace
}  // namespace strovik
