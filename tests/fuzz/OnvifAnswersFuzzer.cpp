// Whatever a device sends, as HTTP, SOAP or WS-Discovery datagram, is read without crashing, within
// the limits, and every parser of a call's answer copes with every SOAP body.
#include "devicelibs/onvif/HttpMessage.h"
#include "devicelibs/onvif/OnvifAnswers.h"
#include "devicelibs/onvif/OnvifCamera.h"
#include "devicelibs/onvif/SoapCall.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::size_t kMaxBody = 4096;

void ReadBody(const QByteArray& bytes) {
    const strovik::SoapReply reply = strovik::InterpretSoapAnswer(200, bytes);
    if (reply.outcome == strovik::SoapOutcome::Answered && !reply.body) std::abort();
    if (!reply.body) return;
    strovik::ParseDeviceInformation(*reply.body);
    if (const auto services = strovik::ParseCapabilities(*reply.body)) strovik::ServicePath(services->ptz);
    if (const auto profiles = strovik::ParseProfiles(*reply.body))
        for (const strovik::OnvifChannel& channel : strovik::ChannelsOf(*profiles))
            if (channel.videoSourceToken.isEmpty()) std::abort();
    if (const auto uri = strovik::ParseStreamUri(*reply.body))
        if (const auto clean = strovik::CleanStreamUri(*uri); clean && clean->contains(QLatin1Char('@'))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const auto kind : {strovik::HttpMessageKind::Response, strovik::HttpMessageKind::Request}) {
        for (const bool closed : {false, true}) {
            const strovik::HttpRead read = strovik::ReadHttpMessage(bytes, kind, closed, kMaxBody);
            if (read.state != strovik::HttpReadState::Complete) continue;
            if (read.consumed > size || static_cast<std::size_t>(read.body.size()) > kMaxBody) std::abort();
            ReadBody(read.body);
        }
    }
    ReadBody(bytes);
    strovik::ParseProbeMatches(bytes);
    return 0;
}
