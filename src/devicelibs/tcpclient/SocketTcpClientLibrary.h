#pragma once

#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/onvif/OnvifPtz.h"
#include "devicelibs/tcpclient/CallbackSlot.h"
#include "devicelibs/tcpclient/CameraSession.h"
#include "devicelibs/tcpclient/CommandConnection.h"
#include "devicelibs/tcpclient/RemoteFileTransfer.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "devicelibs/wire/SessionRecords.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace strovik {

// The device TCP client library on our device protocol (docs/device-protocol.md), and for the
// cameras of other makes that the directory lists: ONVIF (docs/onvif.md) and plain RTSP cameras,
// verified with an RTSP DESCRIBE (RtspVerification, docs/rtsp-cameras.md).
//
// Threads: NV_VerifyUser, NV_ConnectTCPServer and NV_GetRemoteFile block the caller for at most
// the connect, send and answer timeouts. Each open connection and each running transfer has one
// thread, which calls the callbacks. Every call may come from any thread, also from inside a
// callback; mutex_ guards only the handle tables and is never held while a callback runs or a
// socket waits.
class SocketTcpClientLibrary final : public TcpClientLibrary {
public:
    // cameras may be null: every device then speaks our protocol.
    SocketTcpClientLibrary(const TcpClientOptions& options, std::shared_ptr<NetworkCameras> cameras);
    ~SocketTcpClientLibrary() override;

    void NV_SetTCPClientReciveCallback(TcpReceiveCallback callback) override;
    void NV_SetTCPClientCustomReciveCallback(TcpReceiveCallback callback) override;
    std::int32_t NV_VerifyUser(const VerifyUserRequest& request) override;
    std::int32_t NV_ConnectTCPServer(const TcpServerAddress& server) override;
    std::int32_t NV_ClientSendBuf(std::int32_t handle, const std::uint8_t* buffer, std::int32_t length,
                                  std::int32_t flags) override;
    void NV_DisConnectTCPServer(std::int32_t handle) override;
    std::int32_t NV_GetRemoteFile(const RemoteFileRequest& request) override;
    std::int32_t NV_StopGetRemoteFile(std::int32_t transferHandle) override;

private:
    // The directory's entry for the device behind a port of the library's encodings (device port + 2000).
    std::optional<NetworkCamera> cameraAt(const std::string& host, std::uint16_t tcpPort) const;
    std::int32_t verifyOnvif(const VerifyUserRequest& request, std::uint16_t devicePort);
    // A command connection or PTZ session whose device side is played by a CameraSession.
    std::int32_t openCameraSession(const std::string& host, std::uint16_t devicePort, const NetworkCamera& camera,
                                   SessionKind kind);
    SoapLimits soapLimits() const;

    // Registers a started worker under a new handle; 0 when no thread could be started.
    template <class Worker, class... Arguments>
    std::int32_t startWorker(std::map<std::int32_t, std::shared_ptr<Worker>>& table,
                             Arguments&&... arguments);
    // Stops a worker taken out of its table and joins it, or keeps it until it finishes when its
    // thread is busy in a callback (or is the calling thread).
    void retire(const std::shared_ptr<SocketWorker>& worker);
    // Joins workers that have finished; transfers that finished leave their table. mutex_ held.
    void reapFinished();

    const TcpClientOptions options_;
    const std::shared_ptr<NetworkCameras> cameras_;
    const std::shared_ptr<CallbackSlot> transferReceiver_ = std::make_shared<CallbackSlot>();
    const std::shared_ptr<CallbackSlot> commandReceiver_ = std::make_shared<CallbackSlot>();

    std::mutex mutex_;
    std::int32_t lastHandle_ = 0;  // connections and transfers share one series of handles
    std::map<std::int32_t, std::shared_ptr<CommandConnection>> connections_;
    std::map<std::int32_t, std::shared_ptr<RemoteFileTransfer>> transfers_;
    std::vector<std::shared_ptr<SocketWorker>> retired_;  // stopped, still finishing a callback
    std::map<std::int32_t, std::shared_ptr<CameraSession>> cameraSessions_;  // by their connection's handle
    // What the last successful verification of each ONVIF camera learnt, by (host, device port),
    // for its PTZ sessions. Kept in memory only, like the device list's passwords the program holds.
    std::map<std::pair<std::string, std::uint16_t>, OnvifPtzSession::Known> onvifCameras_;
};

}  // namespace strovik
