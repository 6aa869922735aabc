#include "devsim/media/LiveSessionServer.h"

#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/LiveSessionProtocol.h"
#include "devicelibs/wire/MessageFraming.h"

#include <QDateTime>

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace strovik::devsim {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRequestTimeout{5000};
constexpr std::chrono::milliseconds kSendTimeout{5000};

bool SendAnswer(TcpSocket& socket, std::int32_t result, const EncodedLoop* loop = nullptr) {
    LiveStreamAnswer answer;
    answer.result = result;
    if (loop != nullptr) {
        answer.width = static_cast<std::uint16_t>(loop->width);
        answer.height = static_cast<std::uint16_t>(loop->height);
        answer.framesPerSecond = kFramesPerSecond;
        answer.audioCodec = loop->audioFrames.empty() ? AudioCodec::None : AudioCodec::G711MuLaw;
    }
    return SendMessage(socket, EncodeRecord(answer), kSendTimeout) == MessageStatus::Ok;
}

MessageStatus SendFrame(TcpSocket& socket, std::vector<std::uint8_t>& message, std::uint8_t type,
                        std::uint32_t stampMs, const std::vector<std::uint8_t>& body) {
    message.resize(kFrameHeaderBytes + body.size());
    WriteFrameHeader(message.data(), {static_cast<std::uint32_t>(body.size()), stampMs, type});
    std::copy(body.begin(), body.end(), message.begin() + kFrameHeaderBytes);
    return SendMessage(socket, message, kSendTimeout);
}

// Sleeps until deadline; false when stop was requested meanwhile (which wakes it at once).
bool WaitUntil(Clock::time_point deadline, const std::stop_token& stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_until(lock, stop, deadline, [] { return false; });
    return !stop.stop_requested();
}

LiveSessionEnd SendFailure(MessageStatus status, const std::stop_token& stop) {
    if (stop.stop_requested()) return LiveSessionEnd::Stopped;  // the core shut the socket down
    return status == MessageStatus::TimedOut ? LiveSessionEnd::ClientStalled : LiveSessionEnd::ClientLeft;
}

// Sends the stream's loop over and over, paced at 25 pictures a second.
LiveSessionEnd Stream(TcpSocket& socket, const EncodedLoop& loop, const std::stop_token& stop,
                      const LiveSessionOptions& options) {
    // Time stamps continue from the wall clock, so that every session's stamps are fresh.
    const auto firstStampMs = static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch());
    const Clock::time_point started = Clock::now();
    std::vector<std::uint8_t> message;
    for (std::int64_t n = 0;; ++n) {
        const Clock::time_point due = started + std::chrono::milliseconds(n * kFrameIntervalMs);
        if (!WaitUntil(due, stop)) return LiveSessionEnd::Stopped;
        if (options.dropAfter.count() > 0 && due - started >= options.dropAfter) return LiveSessionEnd::Dropped;
        const std::size_t index = static_cast<std::size_t>(n % kLoopFrames);
        const EncodedPicture& picture = loop.pictures[index];
        const auto stampMs = static_cast<std::uint32_t>(firstStampMs + n * kFrameIntervalMs);
        MessageStatus sent = SendFrame(socket, message, picture.frameType, stampMs, picture.data);
        if (sent == MessageStatus::Ok && !loop.audioFrames.empty())
            sent = SendFrame(socket, message, FrameType::Audio, stampMs, loop.audioFrames[index]);
        if (sent != MessageStatus::Ok) return SendFailure(sent, stop);
    }
}

void Serve(TcpSocket& socket, const LiveDevice& device, MediaCache& media, const std::stop_token& stop,
           const LiveSessionOptions& options, LiveSessionReport& report) {
    std::vector<std::uint8_t> payload;
    const MessageStatus received = ReceiveMessage(socket, payload, std::chrono::steady_clock::now() + kRequestTimeout);
    if (received != MessageStatus::Ok) {
        report.end = received == MessageStatus::TooLong || received == MessageStatus::Failed
                         ? LiveSessionEnd::BadRequest
                         : LiveSessionEnd::NoRequest;
        if (stop.stop_requested()) report.end = LiveSessionEnd::Stopped;
        return;
    }
    const std::optional<LiveStreamRequest> request = DecodeRecord<LiveStreamRequest>(payload);
    if (!request) {
        report.end = LiveSessionEnd::BadRequest;
        SendAnswer(socket, LiveAnswerResult::BadRequest);
        return;
    }
    report.userName = request->userName.str();
    report.streamIndex = request->streamIndex;
    if (!device.mayWatch || !device.mayWatch(request->userName.view(), request->password.view())) {
        report.end = LiveSessionEnd::LoginRefused;
        SendAnswer(socket, LiveAnswerResult::WrongLogin);
        return;
    }
    const int channelCount = std::max(device.channelCount, 1);
    if (request->streamIndex >= 2 * channelCount) {
        report.end = LiveSessionEnd::NoSuchStream;
        SendAnswer(socket, LiveAnswerResult::NoSuchStream);
        return;
    }
    const bool main = request->streamIndex < channelCount;
    const StreamId stream{device.name, request->streamIndex % channelCount,
                          main ? StreamKind::Main : StreamKind::Sub, main ? device.mainSize : device.subSize};
    const std::shared_ptr<const EncodedLoop> loop = media.loop(stream);
    if (!loop) {
        report.end = LiveSessionEnd::NoMedia;
        SendAnswer(socket, LiveAnswerResult::NoSuchStream);
        return;
    }
    if (!SendAnswer(socket, LiveAnswerResult::Accepted, loop.get())) {
        report.end = stop.stop_requested() ? LiveSessionEnd::Stopped : LiveSessionEnd::ClientLeft;
        return;
    }
    report.end = Stream(socket, *loop, stop, options);
}

}  // namespace

const char* LiveSessionEndName(LiveSessionEnd end) {
    switch (end) {
        case LiveSessionEnd::NoRequest:
            return "no-request";
        case LiveSessionEnd::BadRequest:
            return "bad-message";
        case LiveSessionEnd::LoginRefused:
            return "login-refused";
        case LiveSessionEnd::NoSuchStream:
            return "no-such-stream";
        case LiveSessionEnd::NoMedia:
            return "no-media";
        case LiveSessionEnd::ClientLeft:
            return "client-closed";
        case LiveSessionEnd::ClientStalled:
            return "client-stalled";
        case LiveSessionEnd::Stopped:
            return "stopped";
        case LiveSessionEnd::Dropped:
            return "fault-drop";
    }
    return "unknown";
}

LiveSessionReport ServeLiveSession(TcpSocket& socket, const LiveDevice& device, MediaCache& media,
                                   std::stop_token stop, const LiveSessionOptions& options) {
    LiveSessionReport report;
    Serve(socket, device, media, stop, options, report);
    socket.shutdown();  // the client sees the end at once, whoever keeps the socket
    return report;
}

}  // namespace strovik::devsim
