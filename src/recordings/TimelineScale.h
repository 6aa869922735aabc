#pragma once

#include <cstdint>

namespace strovik {

// The time axis of the record timeline: which part of one day a strip of some pixels shows, the
// pixel of a time and the time of a pixel, and zooming about a pixel. Times are milliseconds on
// the day's own clock (the day starts at dayStartMs). The view never leaves the day and shows at
// least kMinSpanMs.
class TimelineScale final {
public:
    static constexpr std::int64_t kDayMs = 24LL * 3600 * 1000;
    static constexpr std::int64_t kMinSpanMs = 2LL * 60 * 1000;

    // The whole day.
    void setDay(std::int64_t dayStartMs);
    void setWidth(int pixels);

    std::int64_t dayStartMs() const { return dayStartMs_; }
    std::int64_t viewStartMs() const { return viewStartMs_; }
    std::int64_t spanMs() const { return spanMs_; }
    int width() const { return width_; }

    double xOf(std::int64_t ms) const;
    std::int64_t timeAt(double x) const;
    // Scales the span by factor (below 1 zooms in) keeping the time at pixel x where it is, as far
    // as the day's ends allow.
    void zoom(double factor, double x);

private:
    void clampView();

    std::int64_t dayStartMs_ = 0;
    std::int64_t viewStartMs_ = 0;
    std::int64_t spanMs_ = kDayMs;
    int width_ = 1;
};

}  // namespace strovik
