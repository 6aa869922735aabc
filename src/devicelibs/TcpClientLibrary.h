#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace strovik {

// Receives what a device sends: (handle, data, length). Runs on a library thread; data is valid
// for the duration of the call only, so a handler copies what it keeps and posts the rest of its
// work to its owner's thread.
using TcpReceiveCallback = std::function<void(std::int32_t handle, const std::uint8_t* data, std::int32_t length)>;

// Texts are UTF-8; ports are the library's own encodings (device port + 2000 for verification,
// command connections and transfers; device port - 10 + 200000 or + 100000 for PTZ sessions).
struct VerifyUserRequest {
    std::string userName;
    std::string password;
    std::string host;
    std::int32_t port = 0;
};

struct TcpServerAddress {
    std::string host;
    std::int32_t port = 0;
};

struct RemoteFileRequest {
    std::string remoteFileName;
    std::string localFilePath;
    std::string host;
    std::int32_t port = 0;
};

// Transfer notifications handed to the receive callback: 520-byte messages whose first 12 bytes are
// int32 code, int32 count, int32 value.
namespace TransferCode {
inline constexpr std::int32_t Begin = 110;     // value: total size in bytes
inline constexpr std::int32_t Complete = 111;
inline constexpr std::int32_t Block = 112;     // count: bytes in this block
inline constexpr std::int32_t Failed = 113;    // value 0: the device could not open the file; -1: no such file
inline constexpr std::int32_t Over = 253;
}  // namespace TransferCode
inline constexpr std::int32_t kTransferNotificationBytes = 520;

// The device TCP client library: user verification, command connections, remote file transfers
// and PTZ sessions. Handles of 1 and above are valid. Every call may block the caller for at most
// the library's documented timeouts; callbacks run on library threads.
class TcpClientLibrary {
public:
    virtual ~TcpClientLibrary() = default;

    // Transfer notifications; handle = transfer handle.
    virtual void NV_SetTCPClientReciveCallback(TcpReceiveCallback callback) = 0;
    // Messages of command connections; handle = connection handle.
    virtual void NV_SetTCPClientCustomReciveCallback(TcpReceiveCallback callback) = 0;

    // > 0: the device's answer (channel count * 100 + rights, or rights alone); <= 0: failure,
    // -1 .. -10 being the library's error codes.
    virtual std::int32_t NV_VerifyUser(const VerifyUserRequest& request) = 0;

    // Connection handle, 0 on failure.
    virtual std::int32_t NV_ConnectTCPServer(const TcpServerAddress& server) = 0;
    // Bytes sent; anything but length is a failure.
    virtual std::int32_t NV_ClientSendBuf(std::int32_t handle, const std::uint8_t* buffer, std::int32_t length,
                                          std::int32_t flags) = 0;
    // Also allowed from inside the custom receive callback for the connection being served.
    virtual void NV_DisConnectTCPServer(std::int32_t handle) = 0;

    // Transfer handle, 0 on failure. The local file is written as the blocks arrive.
    virtual std::int32_t NV_GetRemoteFile(const RemoteFileRequest& request) = 0;
    // Non-zero when stopped; what arrived stays in the local file.
    virtual std::int32_t NV_StopGetRemoteFile(std::int32_t transferHandle) = 0;
};

}  // namespace strovik
