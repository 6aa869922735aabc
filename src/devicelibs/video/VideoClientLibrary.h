#pragma once

#include <QEvent>

#include <atomic>
#include <cstdint>
#include <string>

class QObject;

namespace strovik {

class RenderTarget;

// The record that starts a live stream. The window fills it as its own rules say; the library
// reads channelIndex, port, address, userName, password and window. Texts are owned copies (UTF-8)
// where the original record held pointers, so nothing the caller owns needs to outlive the call.
struct ClientStartInfo {
    std::uint8_t channelIndex = 0;  // the stream index on the device (main or sub stream, docs/media.md)
    std::uint8_t netTypeUnits = 0;
    std::uint8_t netTypeTens = 0;
    std::uint8_t reserved = 0;
    std::int32_t port = 0;  // the device's own port: the live session is served there
    std::string address;    // dotted quad or host name
    std::string userName;
    std::string password;
    std::int32_t reserved20 = -1;
    RenderTarget* window = nullptr;  // where pictures go; may be null (decoded, not shown)
};

// The relay a stream may be started through (X_ClientStartEx).
struct RelayInfo {
    std::string address;  // at most 15 characters
    std::int16_t port = 0;
};

// Events of the library, delivered to the receivers given to X_ClientInit as a posted
// VideoClientEvent (a queued call on the receiver's thread, never on a worker thread).
inline constexpr std::int32_t kStreamLostEvent = 5;  // lParam + kStreamHandleBias = the stream handle
// A capture file could not be written any more (a full disk) and was closed; the stream goes on.
inline constexpr std::int32_t kCaptureFailedEvent = 7;  // lParam + kStreamHandleBias = the stream handle
inline constexpr std::int32_t kStreamHandleBias = 3533;

class VideoClientEvent final : public QEvent {
public:
    // Made on a worker, read on the receiver's thread: the fields are published with a release
    // store and read with acquire loads, so the hand-over does not rest on Qt's event queue alone
    // (whose locks ThreadSanitizer cannot see).
    VideoClientEvent(std::uint32_t message, std::int32_t wParam, std::int32_t lParam)
        : QEvent(static_cast<QEvent::Type>(eventType())) {
        message_.store(message, std::memory_order_relaxed);
        wParam_.store(wParam, std::memory_order_relaxed);
        lParam_.store(lParam, std::memory_order_relaxed);
        published_.store(true, std::memory_order_release);
    }
    static int eventType() {
        static const int type = QEvent::registerEventType();
        return type;
    }

    // The number given to X_ClientInit.
    std::uint32_t message() const { return (acquire(), message_.load(std::memory_order_relaxed)); }
    std::int32_t wParam() const { return (acquire(), wParam_.load(std::memory_order_relaxed)); }
    std::int32_t lParam() const { return (acquire(), lParam_.load(std::memory_order_relaxed)); }

private:
    void acquire() const { (void)published_.load(std::memory_order_acquire); }

    std::atomic<std::uint32_t> message_{0};
    std::atomic<std::int32_t> wParam_{0};
    std::atomic<std::int32_t> lParam_{0};
    std::atomic<bool> published_{false};
};

// Failure codes of X_ClientStart / X_ClientStartEx (results below 1).
namespace ClientStartError {
inline constexpr std::int32_t BadArguments = -1;   // no address or port
inline constexpr std::int32_t CannotConnect = -2;  // the device (or relay) did not accept the connection
inline constexpr std::int32_t LoginRefused = -3;   // wrong user name or password
inline constexpr std::int32_t NoSuchStream = -4;   // the device has no stream at that index
inline constexpr std::int32_t NoAnswer = -5;  // the device did not answer in time, or not in our protocol
}  // namespace ClientStartError

// The video client library: live streams from devices, their recording and snapshots. Called on
// the GUI thread, except X_ClientStart and X_ClientStartEx, which block on the network and may be
// called from any thread (the windows run them on background calls), also while the GUI thread
// calls the others. linkType is the stream's server type; it is accepted and not interpreted.
class VideoClientLibrary {
public:
    virtual ~VideoClientLibrary() = default;

    // Registers window to receive events as `message`. May be called by several windows (each
    // grid, including a temporary full-screen one); events go to every registered window that
    // still exists, and each window acts on the handles it owns. 0 = failure (no window).
    virtual std::int32_t X_ClientInit(std::uint32_t message, QObject* window) = 0;
    // Balances one X_ClientInit. Streams stop only when the last registration is cleaned up.
    virtual void X_ClientCleanup() = 0;

    // Stream handle >= 1, or a ClientStartError code. Blocks for at most the library's connect
    // and answer timeouts (a few seconds).
    virtual std::int32_t X_ClientStart(const ClientStartInfo& info, std::int32_t loginHandle,
                                       std::uint16_t linkType) = 0;
    virtual std::int32_t X_ClientStartEx(const ClientStartInfo& info, const RelayInfo& relay,
                                         std::uint16_t linkType) = 0;
    // Non-zero = stopped; the handle is dead afterwards. 0 for an unknown handle.
    virtual std::int32_t X_ClientStop(std::int32_t handle, std::uint16_t linkType) = 0;

    // Sound of one stream at a time: starting it for one stream stops it for any other. Non-zero
    // when the stream carries sound (on a machine without a sound output it then plays silently).
    virtual std::int32_t X_ClientAudioStart(std::int32_t handle, std::uint16_t linkType) = 0;
    // Non-zero when a stream's sound was on.
    virtual std::int32_t X_ClientAudioStop(std::uint16_t linkType) = 0;

    // Level 6 (best), 4 or 0 (cheapest).
    virtual std::int32_t X_ClientSetQuality(std::int32_t handle, std::int32_t level,
                                            std::uint16_t linkType) = 0;
    // 0 = decode everything, 18 = skip pictures nothing refers to, n * 100 + 88 = key frames only.
    virtual std::int32_t X_ClientThrowBFrame(std::int32_t handle, std::int32_t level,
                                             std::uint16_t linkType) = 0;
    virtual std::int32_t X_ClientChangeRenderHandle(std::int32_t handle, RenderTarget* window,
                                                    std::uint16_t linkType) = 0;

    // A BMP of the newest picture at the stream's own size. Non-zero = written.
    virtual std::int32_t X_ClientCapPicFile(std::int32_t handle, const std::string& fileName,
                                            std::uint16_t linkType) = 0;
    // An AVI of the received stream from its next key frame on. Non-zero = recording.
    virtual std::int32_t X_ClientStartCaptureFile(std::int32_t handle, const std::string& fileName,
                                                  std::uint16_t linkType) = 0;
    virtual std::int32_t X_ClientStopCapture(std::int32_t handle, std::uint16_t linkType) = 0;
};

}  // namespace strovik
