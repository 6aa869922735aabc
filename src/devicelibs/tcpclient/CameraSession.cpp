#include "devicelibs/tcpclient/CameraSession.h"

#include "devicelibs/wire/DeviceInfoRecords.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devicelibs/wire/SearchRequest.h"
#include "devicelibs/wire/SearchResultRecord.h"
#include "devicelibs/wire/WireRecord.h"

namespace strovik {

CameraSession::CameraSession(Kind kind, TcpSocket deviceEnd, std::unique_ptr<OnvifPtzSession> ptz,
                             TcpSocket::Milliseconds sendTimeout)
    : kind_(kind),
      deviceEnd_(std::move(deviceEnd)), ptz_(std::move(ptz)), sendTimeout_(sendTimeout) {}

CameraSession::~CameraSession() {
    deviceEnd_.shutdown();
}

std::int32_t CameraSession::send(const std::uint8_t* buffer, std::int32_t length) {
    if (length < 0 || (buffer == nullptr && length > 0)) return -1;
    const auto size = static_cast<std::size_t>(length);
    if (kind_ == Kind::Ptz) {
        const auto command = ParsePtzCommand(buffer, size);
        if (!command || !ptz_) return length;
        return ptz_->apply(*command) ? length : -1;
    }
    std::vector<std::uint8_t> answer;
    if (MessageCode(buffer, size) == kSearchRequestCode && size == sizeof(SearchRequest)) {
        answer = SearchFinishedMessage(0);
    } else if (ParseDeviceInfoRequest(buffer, size)) {
        // Firmware 0.0 with every channel open: the program then searches any channel, and finds nothing.
        DeviceInfoReply reply;
        reply.channelRights.fill(1);
        answer = RecordBytes(reply);
    } else {
        return length;
    }
    std::lock_guard lock(mutex_);
    return SendMessage(deviceEnd_, answer, sendTimeout_) == MessageStatus::Ok ? length : -1;
}

}  // namespace strovik
