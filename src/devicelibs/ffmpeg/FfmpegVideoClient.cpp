#include "devicelibs/ffmpeg/FfmpegVideoClient.h"

#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/ffmpeg/LiveSessionSource.h"
#include "devicelibs/ffmpeg/LiveStream.h"
#include "devicelibs/ffmpeg/RtspSource.h"
#include "devicelibs/video/FrameFormat.h"
#include "devicelibs/video/LiveSessionProtocol.h"
#include "devicelibs/video/LiveSessionReader.h"
#include "devicelibs/video/RenderTarget.h"
#include "devicelibs/wire/MessageFraming.h"

#include <QCoreApplication>
#include <QObject>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <type_traits>

namespace strovik {

namespace {

std::shared_ptr<PictureSlot> SlotOf(RenderTarget* window) {
    return window != nullptr ? window->pictureSlot() : nullptr;
}

// Each stream's worker allocates its decoder and pictures in a malloc arena of its own thread;
// glibc keeps an arena's freed pages, so a grid whose streams restart now and then grew by tens of
// megabytes without leaking a byte (heap in use stayed flat). Trimming after a stream ended hands
// them back; it takes under a millisecond.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace

FfmpegVideoClient::FfmpegVideoClient() : FfmpegVideoClient(Options{}) {}

FfmpegVideoClient::FfmpegVideoClient(Options options) : FfmpegVideoClient(nullptr, options) {}

FfmpegVideoClient::FfmpegVideoClient(std::shared_ptr<const NetworkCameras> cameras)
    : FfmpegVideoClient(std::move(cameras), Options{}) {}

FfmpegVideoClient::FfmpegVideoClient(std::shared_ptr<const NetworkCameras> cameras, Options options)
    : options_(options), cameras_(std::move(cameras)), context_(std::make_unique<QObject>()) {}

FfmpegVideoClient::~FfmpegVideoClient() {
    stopAll();
}

std::int32_t FfmpegVideoClient::X_ClientInit(std::uint32_t message, QObject* window) {
    if (window == nullptr) return 0;
    {
        std::lock_guard lock(receiversMutex_);
        auto known = std::find_if(receivers_.begin(), receivers_.end(),
                                  [&](const Receiver& r) { return r.window == window; });
        if (known != receivers_.end()) {
            known->message = message;
        } else {
            receivers_.push_back({window, message});
            // Direct: destroyed() is emitted on the window's (GUI) thread before it goes, so no
            // worker can post to it afterwards.
            QObject::connect(window, &QObject::destroyed, context_.get(), [this, window] {
                std::lock_guard lock(receiversMutex_);
                std::erase_if(receivers_, [&](const Receiver& r) { return r.window == window; });
            });
        }
    }
    ++initCount_;
    return 1;
}

void FfmpegVideoClient::X_ClientCleanup() {
    if (initCount_ == 0) return;
    if (--initCount_ > 0) return;  // another grid still uses the library
    stopAll();
}

void FfmpegVideoClient::stopAll() {
    X_ClientAudioStop(0);
    std::map<std::int32_t, std::shared_ptr<LiveStream>> streams;
    {
        std::lock_guard lock(streamsMutex_);
        streams.swap(streams_);
    }
    streams.clear();  // joins every worker, outside the lock
    ReturnFreedMemory();
}

std::int32_t FfmpegVideoClient::X_ClientStart(const ClientStartInfo& info, std::int32_t, std::uint16_t) {
    if (cameras_ && info.port > 0 && info.port <= 65535) {
        if (const auto camera = cameras_->Find(info.address, static_cast<std::uint16_t>(info.port)))
            return startRtsp(info, StreamUrlOf(*camera, info.channelIndex), camera->rtspOverUdp);
    }
    return start(info, info.address, info.port);
}

std::int32_t FfmpegVideoClient::startRtsp(const ClientStartInfo& info, const std::string& address, bool overUdp) {
    // An ONVIF camera not verified yet has no stream addresses, like a channel it does not have.
    if (address.empty()) return ClientStartError::NoSuchStream;
    RtspSource::Options options;
    options.overUdp = overUdp;
    options.openTimeout = options_.connectTimeout + options_.answerTimeout;
    RtspSource::Opened opened = RtspSource::open(address, info.userName, info.password, options);
    if (!opened.source) return opened.error;
    return run(std::move(opened.source), opened.format, info.window);
}

std::int32_t FfmpegVideoClient::X_ClientStartEx(const ClientStartInfo& info, const RelayInfo& relay,
                                                std::uint16_t) {
    // The record holds the port in 16 signed bits; ports above 32767 arrive negative.
    const auto relayPort = static_cast<std::uint16_t>(relay.port);
    if (relay.address.empty() || relayPort == 0) return ClientStartError::BadArguments;
    return start(info, relay.address.substr(0, 15), relayPort);
}

std::int32_t FfmpegVideoClient::start(const ClientStartInfo& info, const std::string& host,
                                      std::int32_t port) {
    if (host.empty() || port <= 0 || port > 65535 || info.port <= 0 || info.port > 65535)
        return ClientStartError::BadArguments;
    TcpSocket socket = TcpSocket::connectTo(host, static_cast<std::uint16_t>(port), options_.connectTimeout);
    if (!socket.valid()) return ClientStartError::CannotConnect;
    auto reader =
        std::make_unique<LiveSessionReader>(std::move(socket), kFrameHeaderBytes + kMaxFrameBodyBytes);

    LiveStreamRequest request;
    request.streamIndex = info.channelIndex;
    request.userName = info.userName;
    request.password = info.password;
    request.deviceAddress = info.address;
    request.devicePort = static_cast<std::uint16_t>(info.port);
    if (SendMessage(reader->socket(), EncodeRecord(request), options_.answerTimeout) != MessageStatus::Ok)
        return ClientStartError::NoAnswer;
    const auto answerDeadline = std::chrono::steady_clock::now() + options_.answerTimeout;
    if (reader->next(sizeof(LiveStreamAnswer), answerDeadline) != LiveSessionReader::Result::Message)
        return ClientStartError::NoAnswer;
    const std::optional<LiveStreamAnswer> answer =
        DecodeRecord<LiveStreamAnswer>(reader->data(), reader->size());
    if (!answer || answer->videoCodec != VideoCodec::H264) return ClientStartError::NoAnswer;
    switch (answer->result) {
        case LiveAnswerResult::Accepted:
            break;
        case LiveAnswerResult::WrongLogin:
            return ClientStartError::LoginRefused;
        case LiveAnswerResult::NoSuchStream:
            return ClientStartError::NoSuchStream;
        default:
            return ClientStartError::NoAnswer;
    }

    StreamFormat format;
    format.width = answer->width;
    format.height = answer->height;
    format.framesPerSecond = answer->framesPerSecond > 0 ? answer->framesPerSecond : 25;
    format.hasAudio = answer->audioCodec == AudioCodec::G711MuLaw;
    return run(std::make_unique<LiveSessionSource>(std::move(reader)), format, info.window);
}

std::int32_t FfmpegVideoClient::run(std::unique_ptr<PacketSource> source, const StreamFormat& format,
                                    RenderTarget* window) {
    std::lock_guard lock(streamsMutex_);
    const std::int32_t handle = nextHandle_++;
    LiveStream::Setup setup;
    setup.handle = handle;
    setup.source = std::move(source);
    setup.format = format;
    setup.slot = SlotOf(window);
    setup.silenceTimeout = options_.silenceTimeout;
    setup.onLost = [this](std::int32_t lost) { postEvent(kStreamLostEvent, lost); };
    setup.onCaptureFailed = [this](std::int32_t failed) { postEvent(kCaptureFailedEvent, failed); };
    streams_.emplace(handle, std::make_shared<LiveStream>(std::move(setup)));
    return handle;
}

void FfmpegVideoClient::postEvent(std::int32_t event, std::int32_t handle) {
    std::lock_guard lock(receiversMutex_);
    for (const Receiver& receiver : receivers_)
        QCoreApplication::postEvent(receiver.window,
                                    new VideoClientEvent(receiver.message, event, handle - kStreamHandleBias));
}

std::shared_ptr<LiveStream> FfmpegVideoClient::find(std::int32_t handle) {
    std::lock_guard lock(streamsMutex_);
    const auto found = streams_.find(handle);
    return found != streams_.end() ? found->second : nullptr;
}

template <typename Action>
std::int32_t FfmpegVideoClient::onStream(std::int32_t handle, Action&& action) {
    const std::shared_ptr<LiveStream> stream = find(handle);
    if (!stream) return 0;
    if constexpr (std::is_void_v<std::invoke_result_t<Action, LiveStream&>>) {
        action(*stream);
        return 1;
    } else {
        return action(*stream) ? 1 : 0;
    }
}

std::int32_t FfmpegVideoClient::X_ClientStop(std::int32_t handle, std::uint16_t linkType) {
    std::shared_ptr<LiveStream> stream;
    {
        std::lock_guard lock(streamsMutex_);
        const auto found = streams_.find(handle);
        if (found == streams_.end()) return 0;
        stream = std::move(found->second);
        streams_.erase(found);
    }
    if (handle == soundHandle_) X_ClientAudioStop(linkType);
    stream.reset();  // joins the worker
    ReturnFreedMemory();
    return 1;
}

std::int32_t FfmpegVideoClient::X_ClientAudioStart(std::int32_t handle, std::uint16_t linkType) {
    const std::shared_ptr<LiveStream> stream = find(handle);
    if (!stream) return 0;
    X_ClientAudioStop(linkType);
    if (!stream->hasAudio()) return 0;
    stream->setSound(sound_.start());
    soundHandle_ = handle;
    return 1;
}

std::int32_t FfmpegVideoClient::X_ClientAudioStop(std::uint16_t) {
    if (soundHandle_ == 0) return 0;
    if (const std::shared_ptr<LiveStream> stream = find(soundHandle_)) stream->setSound(nullptr);
    soundHandle_ = 0;
    sound_.stop();
    return 1;
}

std::int32_t FfmpegVideoClient::X_ClientSetQuality(std::int32_t handle, std::int32_t level, std::uint16_t) {
    return onStream(handle, [&](LiveStream& stream) { stream.setQuality(level); });
}

std::int32_t FfmpegVideoClient::X_ClientThrowBFrame(std::int32_t handle, std::int32_t level, std::uint16_t) {
    return onStream(handle, [&](LiveStream& stream) { stream.setThrowLevel(level); });
}

std::int32_t FfmpegVideoClient::X_ClientChangeRenderHandle(std::int32_t handle, RenderTarget* window,
                                                           std::uint16_t) {
    return onStream(handle, [&](LiveStream& stream) { stream.setRenderTarget(SlotOf(window)); });
}

std::int32_t FfmpegVideoClient::X_ClientCapPicFile(std::int32_t handle, const std::string& fileName,
                                                   std::uint16_t) {
    return onStream(handle, [&](LiveStream& stream) { return stream.savePicture(fileName); });
}

std::int32_t FfmpegVideoClient::X_ClientStartCaptureFile(std::int32_t handle, const std::string& fileName,
                                                         std::uint16_t) {
    return onStream(handle, [&](LiveStream& stream) { return stream.startCapture(fileName); });
}

std::int32_t FfmpegVideoClient::X_ClientStopCapture(std::int32_t handle, std::uint16_t) {
    return onStream(handle, [](LiveStream& stream) { return stream.stopCapture(); });
}

}  // namespace strovik
