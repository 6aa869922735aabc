#include "devicelibs/onvif/OnvifVerification.h"

#include "devicelibs/tcpclient/VerifyError.h"

namespace strovik {

namespace {

// Clocks this close count as the same: the token's time has a resolution of one second.
constexpr std::chrono::seconds kClockTolerance{2};

OnvifVerification Failed(SoapOutcome outcome) {
    OnvifVerification failed;
    failed.answer = VerifyErrorOf(outcome);
    return failed;
}

}  // namespace

OnvifResult<OnvifDeviceInformation> LogInToOnvifCamera(OnvifCamera& camera) {
    auto information = camera.deviceInformation();
    if (information.outcome != SoapOutcome::NotAuthorized) return information;
    const auto clock = camera.systemDateAndTime();
    if (!clock.ok()) return information;
    const std::chrono::seconds offset(QDateTime::currentDateTimeUtc().secsTo(*clock.value));
    if (std::chrono::abs(offset) <= kClockTolerance) return information;
    camera = camera.withClockOffset(offset);
    return camera.deviceInformation();
}

OnvifResult<OnvifLayout> ReadOnvifLayout(const OnvifCamera& camera) {
    OnvifResult<OnvifLayout> result;
    const auto services = camera.serviceAddresses();
    result.outcome = services.outcome;
    if (!services.ok()) return result;
    const auto profiles = camera.profiles(services.value->media);
    result.outcome = profiles.outcome;
    if (!profiles.ok()) return result;
    std::vector<OnvifChannel> channels = ChannelsOf(*profiles.value);
    if (channels.empty()) {
        result.outcome = SoapOutcome::Malformed;
        return result;
    }
    if (channels.size() > kMaxOnvifChannels) channels.resize(kMaxOnvifChannels);
    result.value = OnvifLayout{*services.value, std::move(channels), camera.clockOffset()};
    return result;
}

std::int32_t VerifyErrorOf(SoapOutcome outcome) {
    switch (outcome) {
        case SoapOutcome::NotAuthorized:
            return kOnvifLoginRefused;
        case SoapOutcome::BadHost:
            return VerifyError::BadHost;
        case SoapOutcome::ConnectFailed:
            return VerifyError::ConnectFailed;
        case SoapOutcome::ConnectTimedOut:
            return VerifyError::ConnectTimedOut;
        case SoapOutcome::NoAnswer:
            return VerifyError::NoAnswer;
        case SoapOutcome::ClosedEarly:
            return VerifyError::ClosedEarly;
        case SoapOutcome::Answered:
        case SoapOutcome::Fault:
        case SoapOutcome::Malformed:
            break;
    }
    return VerifyError::ProtocolError;
}

OnvifVerification VerifyOnvifCamera(const OnvifCamera& unbounded) {
    const SoapLimits& limits = unbounded.limits();
    OnvifCamera camera = unbounded.bounded(QDeadlineTimer(limits.connectTimeout + 2 * limits.answerTimeout));
    if (const auto information = LogInToOnvifCamera(camera); !information.ok()) return Failed(information.outcome);
    const auto layout = ReadOnvifLayout(camera);
    if (!layout.ok()) return Failed(layout.outcome);
    const QString& media = layout.value->services.media;

    OnvifVerification verified;
    for (const OnvifChannel& channel : layout.value->channels) {
        const auto main = camera.streamUri(media, channel.main.token);
        const auto mainUrl = main.ok() ? CleanStreamUri(*main.value) : std::nullopt;
        if (!mainUrl) return Failed(main.ok() ? SoapOutcome::Malformed : main.outcome);
        CameraStreams streams{mainUrl->toStdString(), {}};
        // A sub stream the camera will not give is replaced by the main stream.
        if (channel.sub) {
            const auto sub = camera.streamUri(media, channel.sub->token);
            if (const auto subUrl = sub.ok() ? CleanStreamUri(*sub.value) : std::nullopt)
                streams.subUrl = subUrl->toStdString();
        }
        verified.channels.push_back(std::move(streams));
    }
    verified.answer = static_cast<std::int32_t>(verified.channels.size()) * 100 + kOnvifFullRights;
    verified.layout = *layout.value;
    return verified;
}

}  // namespace strovik
