#pragma once

#include "devicelibs/tcpclient/CallbackSlot.h"
#include "devicelibs/tcpclient/SocketWorker.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"

#include <QFile>

#include <memory>

namespace strovik {

// One remote file transfer: reads the device's answer and the file's blocks, writes each block to
// the local file as it arrives and reports to the receive callback, in this order: 110 (value =
// total size), 112 per block (count = its size, reported once the block is in the file), then
// either 111 and 253, or 113 (value = TransferFailure) when the transfer fails. A stopped transfer
// reports nothing more. Whatever arrived stays in the local file in every case.
class RemoteFileTransfer final : public SocketWorker {
public:
    // localFile is open for writing.
    RemoteFileTransfer(std::int32_t handle, TcpSocket socket, std::unique_ptr<QFile> localFile,
                       std::shared_ptr<const CallbackSlot> receiver, const TcpClientOptions& options);

private:
    struct Outcome {
        enum class Kind { Complete, Failed, Stopped } kind;
        std::int32_t failure = 0;  // TransferFailure, when Failed
    };

    void run() override;
    Outcome receiveFile();
    bool notify(std::int32_t code, std::int32_t count, std::int32_t value);

    std::unique_ptr<QFile> localFile_;
    const std::shared_ptr<const CallbackSlot> receiver_;
    const TcpClientOptions options_;
};

}  // namespace strovik
