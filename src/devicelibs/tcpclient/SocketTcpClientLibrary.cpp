#include "devicelibs/tcpclient/SocketTcpClientLibrary.h"

#include "devicelibs/onvif/OnvifVerification.h"
#include "devicelibs/cameras/RtspVerification.h"
#include "devicelibs/tcpclient/SessionOpening.h"
#include "devicelibs/tcpclient/SessionPort.h"
#include "devicelibs/tcpclient/VerifyError.h"

#include <QString>

#include <algorithm>
#include <system_error>

namespace strovik {

namespace {

std::optional<std::uint16_t> TcpPort(std::int32_t port) {
    if (port < 1 || port > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

std::pair<std::string, std::uint16_t> CameraKey(const std::string& host, std::uint16_t devicePort) {
    return {QString::fromStdString(host).trimmed().toLower().toStdString(), devicePort};
}

}  // namespace

SocketTcpClientLibrary::SocketTcpClientLibrary(const TcpClientOptions& options,
                                               std::shared_ptr<NetworkCameras> cameras)
    : options_(options), cameras_(std::move(cameras)) {}

SocketTcpClientLibrary::~SocketTcpClientLibrary() {
    std::vector<std::shared_ptr<SocketWorker>> workers;
    {
        std::lock_guard lock(mutex_);
        for (auto& [handle, connection] : connections_) workers.push_back(connection);
        for (auto& [handle, transfer] : transfers_) workers.push_back(transfer);
        workers.insert(workers.end(), retired_.begin(), retired_.end());
        cameraSessions_.clear();
        connections_.clear();
        transfers_.clear();
        retired_.clear();
    }
    for (const auto& worker : workers) worker->stop();
    for (const auto& worker : workers) worker->join();
}

void SocketTcpClientLibrary::NV_SetTCPClientReciveCallback(TcpReceiveCallback callback) {
    transferReceiver_->set(std::move(callback));
}

void SocketTcpClientLibrary::NV_SetTCPClientCustomReciveCallback(TcpReceiveCallback callback) {
    commandReceiver_->set(std::move(callback));
}

std::int32_t SocketTcpClientLibrary::NV_VerifyUser(const VerifyUserRequest& request) {
    const auto port = TcpPort(request.port);
    if (!port) return VerifyError::BadPort;
    if (const auto camera = cameraAt(request.host, *port)) {
        if (camera->protocol == CameraProtocol::Onvif)
            return verifyOnvif(request, static_cast<std::uint16_t>(*port - kVerificationPortOffset));
        if (camera->protocol == CameraProtocol::Rtsp)
            return VerifyRtspCamera(StreamUrlOf(*camera, 0), request.userName, request.password, options_);
    }
    SessionHello hello = MakeHello(SessionKind::Verify);
    hello.userName = request.userName;
    hello.password = request.password;
    try {
        const OpenedSession session = OpenSession(request.host, *port, hello, options_);
        if (session.error != 0) return session.error;
        return session.answer.status < 0 ? VerifyError::Refused : session.answer.status;
    } catch (const std::exception&) {
        return VerifyError::LibraryError;
    }
}

std::int32_t SocketTcpClientLibrary::NV_ConnectTCPServer(const TcpServerAddress& server) {
    const auto target = DecodeSessionPort(server.port);
    if (!target) return 0;
    if (const auto camera = cameraAt(server.host, target->tcpPort))
        return openCameraSession(server.host, static_cast<std::uint16_t>(target->tcpPort - kVerificationPortOffset),
                                 *camera, target->kind);
    SessionHello hello = MakeHello(target->kind);
    hello.portEncoding = target->portEncoding;
    OpenedSession session = OpenSession(server.host, target->tcpPort, hello, options_);
    if (session.error != 0 || session.answer.status != SessionStatus::Accepted) return 0;
    return startWorker(connections_, std::move(session.socket), commandReceiver_, options_);
}

std::int32_t SocketTcpClientLibrary::NV_ClientSendBuf(std::int32_t handle, const std::uint8_t* buffer,
                                                      std::int32_t length, std::int32_t /*flags*/) {
    std::shared_ptr<CommandConnection> connection;
    std::shared_ptr<CameraSession> camera;
    {
        std::lock_guard lock(mutex_);
        const auto found = connections_.find(handle);
        if (found == connections_.end()) return -1;
        connection = found->second;
        if (const auto played = cameraSessions_.find(handle); played != cameraSessions_.end()) camera = played->second;
    }
    return camera ? camera->send(buffer, length) : connection->send(buffer, length);
}

void SocketTcpClientLibrary::NV_DisConnectTCPServer(std::int32_t handle) {
    std::shared_ptr<CommandConnection> connection;
    {
        std::lock_guard lock(mutex_);
        const auto found = connections_.find(handle);
        if (found == connections_.end()) return;
        connection = std::move(found->second);
        connections_.erase(found);
        cameraSessions_.erase(handle);
    }
    retire(connection);
}

std::optional<NetworkCamera> SocketTcpClientLibrary::cameraAt(const std::string& host, std::uint16_t tcpPort) const {
    if (!cameras_ || tcpPort <= kVerificationPortOffset) return std::nullopt;
    return cameras_->Find(host, static_cast<std::uint16_t>(tcpPort - kVerificationPortOffset));
}

SoapLimits SocketTcpClientLibrary::soapLimits() const {
    SoapLimits limits;
    limits.connectTimeout = options_.connectTimeout;
    limits.answerTimeout = options_.answerTimeout;
    return limits;
}

std::int32_t SocketTcpClientLibrary::verifyOnvif(const VerifyUserRequest& request, std::uint16_t devicePort) {
    const QString userName = QString::fromStdString(request.userName);
    const QString password = QString::fromStdString(request.password);
    OnvifVerification verified;
    try {
        verified = VerifyOnvifCamera(
            OnvifCamera(QString::fromStdString(request.host), devicePort, userName, password, soapLimits()));
    } catch (const std::exception&) {
        return VerifyError::LibraryError;
    }
    if (verified.answer < 100) return verified.answer;
    cameras_->SetChannels(request.host, devicePort, std::move(verified.channels));
    std::lock_guard lock(mutex_);
    onvifCameras_[CameraKey(request.host, devicePort)] =
        OnvifPtzSession::Known{userName, password, std::move(verified.layout)};
    return verified.answer;
}

std::int32_t SocketTcpClientLibrary::openCameraSession(const std::string& host, std::uint16_t devicePort,
                                                       const NetworkCamera& camera, SessionKind kind) {
    auto [programEnd, deviceEnd] = TcpSocket::connectedPair();
    if (!programEnd.valid()) return 0;
    std::unique_ptr<OnvifPtzSession> ptz;
    if (kind == SessionKind::Ptz && camera.protocol == CameraProtocol::Onvif) {
        std::optional<OnvifPtzSession::Known> known;
        {
            std::lock_guard lock(mutex_);
            if (const auto found = onvifCameras_.find(CameraKey(host, devicePort)); found != onvifCameras_.end())
                known = found->second;
        }
        ptz = std::make_unique<OnvifPtzSession>(QString::fromStdString(host), devicePort, std::move(known),
                                                soapLimits());
    }
    auto session = std::make_shared<CameraSession>(
        kind == SessionKind::Ptz ? CameraSession::Kind::Ptz : CameraSession::Kind::Command, std::move(deviceEnd),
        std::move(ptz), options_.sendTimeout);
    const std::int32_t handle = startWorker(connections_, std::move(programEnd), commandReceiver_, options_);
    if (handle == 0) return 0;
    std::lock_guard lock(mutex_);
    cameraSessions_.emplace(handle, std::move(session));
    return handle;
}

std::int32_t SocketTcpClientLibrary::NV_GetRemoteFile(const RemoteFileRequest& request) {
    const auto port = TcpPort(request.port);
    if (!port) return 0;
    SessionHello hello = MakeHello(SessionKind::FileTransfer);
    hello.fileName = request.remoteFileName;
    SessionStart start = ConnectAndSendHello(request.host, *port, hello, options_);
    if (start.error != 0) return 0;
    // Unbuffered, so that every block is in the file by the time its notification says so.
    auto localFile = std::make_unique<QFile>(QString::fromStdString(request.localFilePath));
    if (!localFile->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) return 0;
    return startWorker(transfers_, std::move(start.socket), std::move(localFile), transferReceiver_,
                       options_);
}

std::int32_t SocketTcpClientLibrary::NV_StopGetRemoteFile(std::int32_t transferHandle) {
    std::shared_ptr<RemoteFileTransfer> transfer;
    {
        std::lock_guard lock(mutex_);
        reapFinished();
        const auto found = transfers_.find(transferHandle);
        if (found == transfers_.end()) {
            // A transfer that has already ended counts as stopped; a handle never issued does not.
            const bool issued = transferHandle >= 1 && transferHandle <= lastHandle_;
            return issued && !connections_.contains(transferHandle) ? 1 : 0;
        }
        transfer = std::move(found->second);
        transfers_.erase(found);
    }
    retire(transfer);
    return 1;
}

template <class Worker, class... Arguments>
std::int32_t SocketTcpClientLibrary::startWorker(std::map<std::int32_t, std::shared_ptr<Worker>>& table,
                                                 Arguments&&... arguments) {
    std::lock_guard lock(mutex_);
    reapFinished();
    const std::int32_t handle = lastHandle_ + 1;
    auto worker = std::make_shared<Worker>(handle, std::forward<Arguments>(arguments)...);
    try {
        worker->start();
    } catch (const std::system_error&) {
        return 0;
    }
    lastHandle_ = handle;
    table.emplace(handle, std::move(worker));
    return handle;
}

void SocketTcpClientLibrary::retire(const std::shared_ptr<SocketWorker>& worker) {
    worker->stop();
    std::lock_guard lock(mutex_);
    if (worker->finished())
        worker->join();
    else
        retired_.push_back(worker);
    reapFinished();
}

void SocketTcpClientLibrary::reapFinished() {
    const auto joinIfFinished = [](const std::shared_ptr<SocketWorker>& worker) {
        if (!worker->finished()) return false;
        worker->join();
        return true;
    };
    std::erase_if(retired_, joinIfFinished);
    std::erase_if(transfers_, [&](const auto& entry) { return joinIfFinished(entry.second); });
    // A connection the device ended keeps its handle (sends fail) until it is disconnected.
    for (auto& [handle, connection] : connections_) joinIfFinished(connection);
}

std::shared_ptr<TcpClientLibrary> CreateTcpClientLibrary(const TcpClientOptions& options,
                                                         std::shared_ptr<NetworkCameras> cameras) {
    return std::make_shared<SocketTcpClientLibrary>(options, std::move(cameras));
}

}  // namespace strovik
