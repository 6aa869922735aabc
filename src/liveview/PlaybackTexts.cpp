#include "liveview/PlaybackTexts.h"

namespace strovik {

QString PlaybackClockText(std::int64_t ms) {
    if (ms < 0) return QStringLiteral("-:--");
    const std::int64_t seconds = ms / 1000;
    const auto two = [](std::int64_t value) {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    };
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(two(seconds / 60 % 60), two(seconds % 60));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(two(seconds % 60));
}

QString SpeedText(std::int32_t speedStep) {
    if (speedStep >= 0) return QStringLiteral("%1x").arg(1 << speedStep);
    return QStringLiteral("1/%1x").arg(1 << -speedStep);
}

}  // namespace strovik
