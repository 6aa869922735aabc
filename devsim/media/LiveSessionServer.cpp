#include "devsim/media/LiveSessionServer.h"

#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/LiveSessionProtocol.h"
#include "devicelibs/wire/MessageFraming.h"

#include <QDateTime>

#include <algorithm>
#include <thread>

namespace strovik::devsim {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRequestTimeout{5000};
constexpr std::chrono::milliseconds kSendTimeout{5000};
constexpr std::chrono::milliseconds kStopCheck{50};

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

bool SendFrame(TcpSocket& socket, std::vector<std::uint8_t>& message, std::uint8_t type,
               std::uint32_t stampMs, const std::vector<std::uint8_t>& body) {
    message.resize(kFrameHeaderBytes + body.size());
    WriteFrameHeader(message.data(), {static_cast<std::uint32_t>(body.size()), stampMs, type});
    std::copy(body.begin(), body.end(), message.begin() + kFrameHeaderBytes);
    return SendMessage(socket, message, kSendTimeout) == MessageStatus::Ok;
}

// Sleeps until deadline in short steps; false when stop was set meanwhile.
bool WaitUntil(Clock::time_point deadline, const std::atomic<bool>& stop) {
    while (!stop) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(left, kStopCheck));
    }
    return false;
}

void Serve(TcpSocket& socket, const LiveDevice& device, MediaCache& media, const std::atomic<bool>& stop,
           const LiveSessionOptions& options) {
    std::vector<std::uint8_t> payload;
    if (ReceiveMessage(socket, payload, kRequestTimeout) != MessageStatus::Ok) return;
    const std::optional<LiveStreamRequest> request = DecodeRecord<LiveStreamRequest>(payload);
    if (!request) {
        SendAnswer(socket, LiveAnswerResult::BadRequest);
        return;
    }
    if (request->userName.view() != device.userName || request->password.view() != device.password) {
        SendAnswer(socket, LiveAnswerResult::WrongLogin);
        return;
    }
    const int channelCount = std::max(device.channelCount, 1);
    if (request->streamIndex >= 2 * channelCount) {
        SendAnswer(socket, LiveAnswerResult::NoSuchStream);
        return;
    }
    const StreamId stream{device.name, request->streamIndex % channelCount,
                          request->streamIndex < channelCount ? StreamKind::Main : StreamKind::Sub};
    const std::shared_ptr<const EncodedLoop> loop = media.loop(stream);
    if (!loop) {
        SendAnswer(socket, LiveAnswerResult::NoSuchStream);
        return;
    }
    if (!SendAnswer(socket, LiveAnswerResult::Accepted, loop.get())) return;

    // Time stamps continue from the wall clock, so that every session's stamps are fresh.
    const auto firstStampMs = static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch());
    const Clock::time_point started = Clock::now();
    std::vector<std::uint8_t> message;
    for (std::int64_t n = 0; !stop; ++n) {
        const Clock::time_point due = started + std::chrono::milliseconds(n * kFrameIntervalMs);
        if (options.dropAfter.count() > 0 && due - started >= options.dropAfter) return;
        if (!WaitUntil(due, stop)) return;
        const std::size_t index = static_cast<std::size_t>(n % kLoopFrames);
        const EncodedPicture& picture = loop->pictures[index];
        const auto stampMs = static_cast<std::uint32_t>(firstStampMs + n * kFrameIntervalMs);
        if (!SendFrame(socket, message, picture.frameType, stampMs, picture.data)) return;
        if (!loop->audioFrames.empty() &&
            !SendFrame(socket, message, FrameType::Audio, stampMs, loop->audioFrames[index]))
            return;
    }
}

}  // namespace

void ServeLiveSession(TcpSocket& socket, const LiveDevice& device, MediaCache& media,
                      const std::atomic<bool>& stop, const LiveSessionOptions& options) {
    Serve(socket, device, media, stop, options);
    socket.shutdown();  // the client sees the end at once, whoever keeps the socket
}

std::function<void(TcpSocket&, const std::atomic<bool>&)> LiveSessionHandler(LiveDevice device,
                                                                             MediaCache& media,
                                                                             LiveSessionOptions options) {
    return [device = std::move(device), &media, options](TcpSocket& socket, const std::atomic<bool>& stop) {
        ServeLiveSession(socket, device, media, stop, options);
    };
}

}  // namespace strovik::devsim
