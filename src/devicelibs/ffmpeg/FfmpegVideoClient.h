#pragma once

#include "devicelibs/ffmpeg/SoundRoute.h"
#include "devicelibs/video/VideoClientLibrary.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class QObject;

namespace strovik {

class LiveStream;
class NetworkCameras;
class PacketSource;
struct StreamFormat;

// The video client library on our live session protocol (docs/media.md) and FFmpeg. A device
// that the NetworkCameras directory lists as a camera of another make is reached over RTSP
// instead (RtspSource: TCP unless its record asks for UDP); its streams then run through the same
// decode pipeline and end in the same lost-stream event.
//
// X_ClientStart connects and waits for the device's answer on the calling (GUI) thread, bounded by
// connectTimeout and answerTimeout: the window's rules rest on its result (the failure code it
// shows, the reconnect timer it arms only on failure), and reporting failures later as lost
// streams would make the grid restart at once, without the timer's pause, over and over. After
// the answer each stream runs on its own worker thread (LiveStream).
//
// Threads and locks: the public calls come from the GUI thread. streamsMutex_ guards streams_;
// receiversMutex_ guards receivers_ and is taken by workers to post the lost-stream event. The two
// are never held together, and neither is held while a worker is joined.
class FfmpegVideoClient final : public VideoClientLibrary {
public:
    struct Options {
        std::chrono::milliseconds connectTimeout{2000};
        std::chrono::milliseconds answerTimeout{2000};
        // A stream that delivers no whole frame for this long is lost.
        std::chrono::milliseconds silenceTimeout{5000};
    };

    FfmpegVideoClient();
    explicit FfmpegVideoClient(Options options);
    // cameras may be null: every device then speaks our protocol.
    explicit FfmpegVideoClient(std::shared_ptr<const NetworkCameras> cameras);
    FfmpegVideoClient(std::shared_ptr<const NetworkCameras> cameras, Options options);
    ~FfmpegVideoClient() override;

    std::int32_t X_ClientInit(std::uint32_t message, QObject* window) override;
    void X_ClientCleanup() override;
    std::int32_t X_ClientStart(const ClientStartInfo& info, std::int32_t loginHandle,
                               std::uint16_t linkType) override;
    std::int32_t X_ClientStartEx(const ClientStartInfo& info, const RelayInfo& relay,
                                 std::uint16_t linkType) override;
    std::int32_t X_ClientStop(std::int32_t handle, std::uint16_t linkType) override;
    std::int32_t X_ClientAudioStart(std::int32_t handle, std::uint16_t linkType) override;
    std::int32_t X_ClientAudioStop(std::uint16_t linkType) override;
    std::int32_t X_ClientSetQuality(std::int32_t handle, std::int32_t level, std::uint16_t linkType) override;
    std::int32_t X_ClientThrowBFrame(std::int32_t handle, std::int32_t level,
                                     std::uint16_t linkType) override;
    std::int32_t X_ClientChangeRenderHandle(std::int32_t handle, RenderTarget* window,
                                            std::uint16_t linkType) override;
    std::int32_t X_ClientCapPicFile(std::int32_t handle, const std::string& fileName,
                                    std::uint16_t linkType) override;
    std::int32_t X_ClientStartCaptureFile(std::int32_t handle, const std::string& fileName,
                                          std::uint16_t linkType) override;
    std::int32_t X_ClientStopCapture(std::int32_t handle, std::uint16_t linkType) override;

private:
    struct Receiver {
        QObject* window;
        std::uint32_t message;
    };

    std::int32_t start(const ClientStartInfo& info, const std::string& host, std::int32_t port);
    std::int32_t startRtsp(const ClientStartInfo& info, const std::string& address, bool overUdp);
    // Gives an accepted stream its handle and its worker.
    std::int32_t run(std::unique_ptr<PacketSource> source, const StreamFormat& format, RenderTarget* window);
    std::shared_ptr<LiveStream> find(std::int32_t handle);
    // Runs action on the stream: 0 for an unknown handle, else 1, or the action's verdict when it
    // gives one.
    template <typename Action>
    std::int32_t onStream(std::int32_t handle, Action&& action);
    void stopAll();
    void postEvent(std::int32_t event, std::int32_t handle);  // any thread

    const Options options_;
    const std::shared_ptr<const NetworkCameras> cameras_;
    std::unique_ptr<QObject> context_;  // ends the receivers' destroyed() connections with us

    std::mutex streamsMutex_;
    std::map<std::int32_t, std::shared_ptr<LiveStream>> streams_;
    std::int32_t nextHandle_ = 1;

    std::mutex receiversMutex_;
    std::vector<Receiver> receivers_;
    int initCount_ = 0;  // GUI thread

    // Sound (GUI thread): one stream at a time.
    std::int32_t soundHandle_ = 0;
    SoundRoute sound_;
};

}  // namespace strovik
