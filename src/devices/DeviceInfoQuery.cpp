#include "devices/DeviceInfoQuery.h"

#include "devicelibs/FixedText.h"
#include "devicelibs/TcpClientLibrary.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devices/DeviceTree.h"
#include "devices/Functions.h"
#include "devices/Verification.h"

#include <cstring>
#include <thread>

namespace strovik {

namespace {

constexpr std::size_t kUserNameOffset = 4;
constexpr std::size_t kPasswordOffset = 132;
constexpr std::size_t kTextFieldBytes = 128;
constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kChannelRightsOffset = 12;

void putText(std::uint8_t* at, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const std::string_view cut =
        CutUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), kTextFieldBytes - 1);
    std::memcpy(at, cut.data(), cut.size());
}

}  // namespace

DeviceInfoRequestBytes EncodeDeviceInfoRequest(const QString& userName, const QString& password) {
    DeviceInfoRequestBytes bytes{};
    PutLittleEndian32(bytes.data(), static_cast<std::uint32_t>(kDeviceInfoCode));
    putText(bytes.data() + kUserNameOffset, userName);
    putText(bytes.data() + kPasswordOffset, password);
    return bytes;
}

std::optional<DeviceInfoReply> DecodeDeviceInfoReply(const std::uint8_t* data, std::size_t length) {
    if (!data || length < kDeviceInfoReplyBytes) return std::nullopt;
    if (static_cast<std::int32_t>(GetLittleEndian32(data)) != kDeviceInfoCode) return std::nullopt;
    DeviceInfoReply reply;
    reply.version.major = GetLittleEndian16(data + kVersionOffset);
    reply.version.minor = GetLittleEndian16(data + kVersionOffset + 2);
    std::memcpy(reply.version.extra.data(), data + kVersionOffset + 4, reply.version.extra.size());
    std::memcpy(reply.channelRights.data(), data + kChannelRightsOffset, reply.channelRights.size());
    return reply;
}

void CloseSearchConnection(TcpClientLibrary& library, LoginState& state) {
    if (state.searchConnection == 0) return;
    library.NV_DisConnectTCPServer(state.searchConnection);
    state.searchConnection = 0;
    std::this_thread::sleep_for(kReconnectPause);
}

void QueryDeviceInfo(TcpClientLibrary& library, LoginState& state) {
    BeginDeviceInfoQuery(library, state);
    const QString host = LibraryHost(state.currentAddress);
    const TcpServerAddress server{host.toStdString(),
                                  static_cast<std::int32_t>(state.currentPort + kCommandPortOffset)};
    FinishDeviceInfoQuery(library, state, library.NV_ConnectTCPServer(server));
}

void BeginDeviceInfoQuery(TcpClientLibrary& library, LoginState& state) {
    CloseSearchConnection(library, state);
    state.currentVersion = DeviceVersion{};
    state.currentChannelRights.fill(0);
}

void FinishDeviceInfoQuery(TcpClientLibrary& library, LoginState& state, std::int32_t connection) {
    state.searchConnection = connection;
    if (state.searchConnection <= 0) {
        state.searchConnection = 0;
        return;
    }
    const DeviceInfoRequestBytes request = EncodeDeviceInfoRequest(state.loginUserName, state.loginPassword);
    const auto length = static_cast<std::int32_t>(request.size());
    if (library.NV_ClientSendBuf(state.searchConnection, request.data(), length, 0) != length) {
        library.NV_DisConnectTCPServer(state.searchConnection);
        state.searchConnection = 0;
    }
}

void SetSingleChannelDeviceInfo(LoginState& state) {
    state.currentVersion.major = 9;
    state.currentVersion.minor = 7;
    state.currentChannelRights[0] = 1;
    state.currentChannelRights[1] = 1;
}

bool HandleDeviceInfoMessage(TcpClientLibrary& library, LoginState& state, DeviceTree& tree, const std::uint8_t* data,
                             std::size_t length) {
    if (!data || length < 4 || static_cast<std::int32_t>(GetLittleEndian32(data)) != kDeviceInfoCode) return false;
    if (const auto reply = DecodeDeviceInfoReply(data, length)) {
        state.currentVersion = reply->version;
        state.currentChannelRights = reply->channelRights;
        const QString address = state.currentAddress.trimmed();
        for (const auto& device : tree.devices()) {
            if (device->connection.address.toQString().trimmed() == address) {
                device->deviceVersion = reply->version;
                device->channelRights = reply->channelRights;
                break;
            }
        }
    }
    if (state.searchConnection != 0) library.NV_DisConnectTCPServer(state.searchConnection);
    state.searchConnection = 0;
    return true;
}

}  // namespace strovik
