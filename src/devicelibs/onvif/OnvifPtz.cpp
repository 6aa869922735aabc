#include "devicelibs/onvif/OnvifPtz.h"

#include <algorithm>

namespace strovik {

namespace {

// Our speeds run from 1 to 8; ONVIF velocities from 0 to 1.
constexpr int kMaxSpeed = 8;

double VelocityOf(std::uint8_t speed) {
    return static_cast<double>(std::clamp<int>(speed, 1, kMaxSpeed)) / kMaxSpeed;
}

bool Reached(SoapOutcome outcome) {
    return outcome == SoapOutcome::Answered || outcome == SoapOutcome::Fault ||
           outcome == SoapOutcome::NotAuthorized || outcome == SoapOutcome::Malformed;
}

}  // namespace

OnvifPtzAction OnvifPtzActionOf(const PtzCommand& command) {
    using Kind = OnvifPtzAction::Kind;
    const double speed = VelocityOf(command.speed);
    OnvifPtzAction action;
    const auto move = [&](double pan, double tilt, double zoom) {
        action.kind = Kind::Move;
        action.velocity = PtzVelocity{pan, tilt, zoom};
    };
    switch (command.code) {
        case 101: move(0, speed, 0); break;
        case 102: move(0, -speed, 0); break;
        case 103: move(-speed, 0, 0); break;
        case 104: move(speed, 0, 0); break;
        case 111: move(0, 0, -speed); break;  // the minus button: wider
        case 112: move(0, 0, speed); break;
        case 105: case 106: case 107: case 108: action.kind = Kind::StopPanTilt; break;
        case 121: case 122: action.kind = Kind::StopZoom; break;
        case 113: action.kind = Kind::FocusMove; action.focusSpeed = -speed; break;
        case 114: action.kind = Kind::FocusMove; action.focusSpeed = speed; break;
        case 123: case 124: action.kind = Kind::FocusStop; break;
        default: break;
    }
    return action;
}

OnvifPtzSession::OnvifPtzSession(QString host, std::uint16_t port, std::optional<Known> known, SoapLimits limits)
    : host_(std::move(host)), port_(port), limits_(limits), known_(std::move(known)) {}

std::optional<OnvifCamera> OnvifPtzSession::prepare(const PtzCommand& command) {
    if (known_)
        return OnvifCamera(host_, port_, known_->userName, known_->password, limits_)
            .withClockOffset(known_->layout.clockOffset);
    const QString userName = command.userName.toQString();
    const QString password = command.password.toQString();
    OnvifCamera camera(host_, port_, userName, password, limits_);
    if (!LogInToOnvifCamera(camera).ok()) return std::nullopt;
    auto layout = ReadOnvifLayout(camera);
    if (!layout.ok()) return std::nullopt;
    known_ = Known{userName, password, std::move(*layout.value)};
    return camera;
}

bool OnvifPtzSession::apply(const PtzCommand& command) {
    using Kind = OnvifPtzAction::Kind;
    const OnvifPtzAction action = OnvifPtzActionOf(command);
    if (action.kind == Kind::Nothing) return true;
    std::lock_guard lock(mutex_);
    const auto camera = prepare(command);
    if (!camera) return false;
    const OnvifLayout& layout = known_->layout;
    const std::size_t index = command.channel >= 1 ? command.channel - 1u : 0u;
    if (index >= layout.channels.size()) return true;
    const OnvifChannel& channel = layout.channels[index];
    // The profile that carries the PTZ configuration; a camera that names none gets the main one.
    const QString& profile = !channel.main.hasPtz && channel.sub && channel.sub->hasPtz ? channel.sub->token
                                                                                      : channel.main.token;
    const QString& ptz = layout.services.ptz;
    const QString& imaging = layout.services.imaging;
    const bool focus = action.kind == Kind::FocusMove || action.kind == Kind::FocusStop;
    if ((focus ? imaging : ptz).isEmpty()) return true;

    SoapOutcome outcome = SoapOutcome::Answered;
    switch (action.kind) {
        case Kind::Move: outcome = camera->continuousMove(ptz, profile, action.velocity).outcome; break;
        case Kind::StopPanTilt: outcome = camera->stop(ptz, profile, true, false).outcome; break;
        case Kind::StopZoom: outcome = camera->stop(ptz, profile, false, true).outcome; break;
        case Kind::FocusMove: outcome = camera->focusMove(imaging, channel.videoSourceToken, action.focusSpeed).outcome; break;
        case Kind::FocusStop: outcome = camera->focusStop(imaging, channel.videoSourceToken).outcome; break;
        case Kind::Nothing: break;
    }
    return Reached(outcome);
}

}  // namespace strovik
