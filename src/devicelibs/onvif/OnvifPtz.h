#pragma once

#include "devicelibs/onvif/OnvifVerification.h"
#include "devicelibs/wire/PtzCommand.h"

#include <QString>

#include <cstdint>
#include <mutex>
#include <optional>

namespace strovik {

// What one of our PTZ records asks of an ONVIF camera.
struct OnvifPtzAction {
    enum class Kind { Nothing, Move, StopPanTilt, StopZoom, FocusMove, FocusStop };
    Kind kind = Kind::Nothing;
    PtzVelocity velocity;  // Move
    double focusSpeed = 0;  // FocusMove
};
// Direction pad and zoom become ContinuousMove and Stop, focus the imaging service's Move and Stop;
// iris, wiper and the rest have no continuous ONVIF counterpart and do nothing.
OnvifPtzAction OnvifPtzActionOf(const PtzCommand& command);

// The PTZ calls of one camera's PTZ session. Services and profiles come from its last
// verification when known, else they are read with the first command's credentials.
// apply() runs on the caller's thread (the program's PTZ link thread) within the camera's limits.
class OnvifPtzSession final {
public:
    struct Known {
        QString userName;
        QString password;
        OnvifLayout layout;
    };
    OnvifPtzSession(QString host, std::uint16_t port, std::optional<Known> known, SoapLimits limits);

    // false when the camera could not be reached or did not answer (the caller closes the session);
    // true when it took the command, refused it with a fault, or the command asks for nothing it offers.
    bool apply(const PtzCommand& command);

private:
    // The camera with the credentials to use, its layout read when not known yet.
    std::optional<OnvifCamera> prepare(const PtzCommand& command);

    const QString host_;
    const std::uint16_t port_;
    const SoapLimits limits_;
    std::mutex mutex_;  // commands of one session are applied one at a time, in order
    std::optional<Known> known_;
};

}  // namespace strovik
