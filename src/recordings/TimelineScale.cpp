#include "recordings/TimelineScale.h"

#include <algorithm>
#include <cmath>

namespace strovik {

void TimelineScale::setDay(std::int64_t dayStartMs) {
    dayStartMs_ = dayStartMs;
    viewStartMs_ = dayStartMs;
    spanMs_ = kDayMs;
}

void TimelineScale::setWidth(int pixels) {
    width_ = std::max(1, pixels);
}

double TimelineScale::xOf(std::int64_t ms) const {
    return double(ms - viewStartMs_) * width_ / double(spanMs_);
}

std::int64_t TimelineScale::timeAt(double x) const {
    return viewStartMs_ + std::llround(x * double(spanMs_) / width_);
}

void TimelineScale::zoom(double factor, double x) {
    if (!(factor > 0)) return;
    const double anchor = double(viewStartMs_) + x * double(spanMs_) / width_;
    spanMs_ = std::clamp<std::int64_t>(std::llround(double(spanMs_) * factor), kMinSpanMs, kDayMs);
    viewStartMs_ = std::llround(anchor - x * double(spanMs_) / width_);
    clampView();
}

void TimelineScale::clampView() {
    viewStartMs_ = std::clamp(viewStartMs_, dayStartMs_, dayStartMs_ + kDayMs - spanMs_);
}

}  // namespace strovik
