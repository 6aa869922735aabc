#pragma once

#include "devicelibs/onvif/OnvifAnswers.h"
#include "devicelibs/onvif/SoapCall.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace strovik {

// The outcome of one call and, when the device answered as expected, what it said. An answer
// that lacks what the call is for counts as Malformed.
template <class Value>
struct OnvifResult {
    SoapOutcome outcome = SoapOutcome::Malformed;
    std::optional<Value> value;

    bool ok() const { return value.has_value(); }
};

// Speeds and directions of the PTZ and imaging calls, each from -1 to 1.
struct PtzVelocity {
    double pan = 0;
    double tilt = 0;
    double zoom = 0;
};

// The SOAP calls the client makes to one ONVIF camera, each signed with a fresh UsernameToken.
// Every call blocks the calling thread for at most the limits' bounds.
//
// Services are always reached at the host and port of the device record: a camera behind a
// router, or one that was given another address, still reports its old address in the services'
// XAddrs, so only their paths are taken from it.
class OnvifCamera final {
public:
    OnvifCamera(QString host, std::uint16_t port, QString userName, QString password, SoapLimits limits = {});

    // The same camera, every call of which ends by overall at the latest.
    OnvifCamera bounded(QDeadlineTimer overall) const;
    const SoapLimits& limits() const { return limits_; }
    // The same camera, whose clock is that far ahead of ours (the tokens' times follow it).
    OnvifCamera withClockOffset(std::chrono::seconds offset) const;
    std::chrono::seconds clockOffset() const { return clockOffset_; }

    // Asked without credentials, as devices allow, so that a client can match their clock.
    OnvifResult<QDateTime> systemDateAndTime() const;

    OnvifResult<OnvifDeviceInformation> deviceInformation() const;
    OnvifResult<OnvifServiceAddresses> serviceAddresses() const;
    OnvifResult<std::vector<OnvifProfile>> profiles(const QString& mediaAddress) const;
    OnvifResult<QString> streamUri(const QString& mediaAddress, const QString& profileToken) const;
    OnvifResult<bool> continuousMove(const QString& ptzAddress, const QString& profileToken,
                                     const PtzVelocity& velocity) const;
    OnvifResult<bool> stop(const QString& ptzAddress, const QString& profileToken, bool panTilt, bool zoom) const;
    // Focus through the imaging service: a continuous move at speed, and its stop.
    OnvifResult<bool> focusMove(const QString& imagingAddress, const QString& videoSourceToken, double speed) const;
    OnvifResult<bool> focusStop(const QString& imagingAddress, const QString& videoSourceToken) const;

private:
    SoapReply call(const QString& serviceAddress, const QByteArray& bodyContent) const;

    QString host_;
    std::uint16_t port_;
    QString userName_;
    QString password_;
    SoapLimits limits_;
    std::chrono::seconds clockOffset_{0};
};

// The path (and query) of a service address; the device service's path when it gives none.
QString ServicePath(const QString& serviceAddress);

// The stream address the directory keeps: an rtsp:// URI without any user name or password in it;
// nullopt for anything else.
std::optional<QString> CleanStreamUri(const QString& uri);

}  // namespace strovik
