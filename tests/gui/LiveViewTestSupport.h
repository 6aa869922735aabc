#pragma once

// What the live-view GUI tests share: connections as the channel openings hand them to the grid,
// views of the video client double's call log, and waits for the asynchronous starts.

#include "devicelibs/doubles/RecordingVideoClientLibrary.h"
#include "devices/DeviceNode.h"
#include "liveview/MyView.h"
#include "liveview/ViewForm.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QRect>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << '(' << rect.x() << ", " << rect.y() << ' ' << rect.width() << 'x' << rect.height() << ')';
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << '(' << point.x() << ", " << point.y() << ')';
}

namespace strovik::test {

// Starts run on background calls against the double, which answers at once: anything slower than
// this is a start that never ends.
inline constexpr int kStartDeadlineMs = 5000;

// A stream request on a loopback address, as BuildStreamRequest makes it.
inline ConnectionInfo LiveConnection(const char* deviceName, std::int32_t channelIndex,
                                     std::uint8_t deviceType = DeviceType::Dvr,
                                     std::int32_t searchState = SearchState::AddedByHand) {
    ConnectionInfo connection;
    connection.address = QStringLiteral("127.0.0.5");
    connection.port = 5050;
    connection.netType = 1;
    connection.serverType = 2;
    connection.userName = QStringLiteral("admin");
    connection.password = QStringLiteral("pw");
    connection.deviceType = deviceType;
    connection.searchState = searchState;
    connection.deviceName = QString::fromUtf8(deviceName);
    connection.channelIndex = channelIndex;
    return connection;
}

inline ConnectionInfo AutoSearchedCamera(const char* deviceName, std::int32_t channelIndex = 0) {
    return LiveConnection(deviceName, channelIndex, DeviceType::NetworkCamera, SearchState::AutoSearch);
}

using VideoCall = RecordingVideoClientLibrary::Call;

// The calls named `name` after the first `from` entries of the log.
inline std::vector<VideoCall> CallsSince(const RecordingVideoClientLibrary& video, std::size_t from,
                                         const std::string& name) {
    std::vector<VideoCall> found;
    const std::vector<VideoCall> all = video.calls();
    for (std::size_t i = from; i < all.size(); ++i)
        if (all[i].name == name) found.push_back(all[i]);
    return found;
}

inline std::vector<std::int32_t> HandlesOf(const std::vector<VideoCall>& calls) {
    std::vector<std::int32_t> handles;
    for (const VideoCall& call : calls) handles.push_back(call.handle);
    return handles;
}

// The handles of the calls that carried level `value` (quality and B-frame calls).
inline std::vector<std::int32_t> HandlesWithValue(const std::vector<VideoCall>& calls, std::int32_t value) {
    std::vector<std::int32_t> handles;
    for (const VideoCall& call : calls)
        if (call.value == value) handles.push_back(call.handle);
    return handles;
}

// The result a start handed to its `done`, kept alive for a late answer after a failed wait.
using PendingResult = std::shared_ptr<std::optional<std::int32_t>>;

inline std::int32_t WaitForResult(const PendingResult& result) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return result->has_value(); }, kStartDeadlineMs))
        << "the start never ended";
    return result->value_or(-100);
}

// StartLive on one window, waited for.
inline std::int32_t StartIn(TMyView& window, const ConnectionInfo& connection) {
    auto result = std::make_shared<std::optional<std::int32_t>>();
    window.StartLive(connection, StreamTarget{}, -1, [result](std::int32_t r) { *result = r; });
    return WaitForResult(result);
}

// The grid's OpenStream into window n (1-based; another number lets the grid pick), waited for.
inline std::int32_t OpenIn(TViewForm& grid, const ConnectionInfo& connection, int n) {
    auto result = std::make_shared<std::optional<std::int32_t>>();
    grid.OpenStream(connection, StreamTarget{}, n, -1, [result](std::int32_t r) { *result = r; });
    return WaitForResult(result);
}

// A timer's interval passed: its handler runs now.
inline void FireTimer(QTimer& timer) {
    QMetaObject::invokeMethod(&timer, "timeout", Qt::DirectConnection);
}

// Sets an environment variable for the lifetime of a test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QString& value)
        : name_(name), hadValue_(qEnvironmentVariableIsSet(name)), oldValue_(qgetenv(name)) {
        qputenv(name, value.toUtf8());
    }
    ~ScopedEnvironment() {
        if (hadValue_) {
            qputenv(name_, oldValue_);
        } else {
            qunsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    bool hadValue_;
    QByteArray oldValue_;
};

}  // namespace strovik::test
