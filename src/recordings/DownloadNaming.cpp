#include "recordings/DownloadNaming.h"

#include "devicelibs/video/LdvrName.h"

namespace strovik {

namespace {

constexpr float kUnitStep = 1024.0F;
constexpr int kTwoDigitChannel = 10;
constexpr std::int64_t kAlarmModulus = 16;

QString AfterLastSeparator(const QString& name) {
    const qsizetype cut = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return name.mid(cut + 1);
}

// Two decimals with '.' whatever the locale, as the dialog has always shown them.
QString TwoDecimals(float value) {
    return QString::number(static_cast<double>(value), 'f', 2);
}

}  // namespace

QString DefaultDownloadName(const QString& remoteName) {
    if (!remoteName.contains(QLatin1String("LDVR"))) return AfterLastSeparator(remoteName);
    const QByteArray bytes = remoteName.toUtf8();
    const std::optional<LdvrNameFields> fields =
        ReadLdvrName(std::string_view(bytes.constData(), bytes.size()));
    if (!fields || fields->startText.size() != kLdvrStartLength) return AfterLastSeparator(remoteName);
    QString start = QString::fromStdString(fields->startText);
    start.replace(QLatin1Char(' '), QLatin1Char('0'));
    const std::int64_t n = fields->firstField + 1;
    const std::int64_t m = fields->secondField % kAlarmModulus;
    const QLatin1String kind(m != 0 ? (n < kTwoDigitChannel ? "_A_0" : "_A_")
                                    : (n < kTwoDigitChannel ? "_S_0" : "_S_"));
    return start + kind + QString::number(n) + QLatin1String(".264");
}

QString DownloadTransferPath(const QString& chosenPath, bool frameFormat) {
    return frameFormat && chosenPath.contains(QLatin1String(".avi")) ? chosenPath + QLatin1Char('1')
                                                                     : chosenPath;
}

QString PartialCopyPath(const QString& transferPath) {
    return transferPath + QLatin1String(".part");
}

ScaledAmount ScaleByteCount(std::uint64_t bytes) {
    ScaledAmount amount{static_cast<float>(bytes) / kUnitStep, QStringLiteral(" KB")};
    if (amount.value > kUnitStep) amount = {amount.value / kUnitStep, QStringLiteral(" MB")};
    if (amount.value > kUnitStep) amount = {amount.value / kUnitStep, QStringLiteral(" GB")};
    return amount;
}

QString DownloadAmountLine(std::uint64_t received, std::uint64_t total, const QString& copiedText,
                           const QString& totalText) {
    const ScaledAmount got = ScaleByteCount(received);
    const ScaledAmount all = ScaleByteCount(total);
    return QLatin1Char('(') + copiedText + QLatin1Char(' ') + TwoDecimals(got.value) + QLatin1Char(' ') +
           got.unit + QLatin1String(" , ") + totalText + QLatin1Char(' ') + TwoDecimals(all.value) +
           QLatin1Char(' ') + all.unit + QLatin1Char(')');
}

QString DownloadSpeedLine(std::uint64_t bytesInTick) {
    const ScaledAmount speed = ScaleByteCount(bytesInTick);
    return TwoDecimals(speed.value * 2) + QLatin1Char(' ') + speed.unit + QLatin1String("/s");
}

}  // namespace strovik
