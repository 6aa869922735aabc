#pragma once

#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/onvif/OnvifCamera.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace strovik {

// The rights an ONVIF camera that accepts the login is given: it has no users of our kind, and
// whoever it lets in may do everything it offers.
inline constexpr std::int32_t kOnvifFullRights = 58;
// Our verification answer for a refused login: "wrong user name or password".
inline constexpr std::int32_t kOnvifLoginRefused = 1;
// Channels beyond this many video sources are not offered (the grid's largest layout).
inline constexpr std::size_t kMaxOnvifChannels = 64;

// What verification learnt of a camera that later calls (PTZ) need again.
struct OnvifLayout {
    OnvifServiceAddresses services;
    std::vector<OnvifChannel> channels;
    std::chrono::seconds clockOffset{0};  // how far the camera's clock is ahead of ours
};

struct OnvifVerification {
    // As NV_VerifyUser answers: channel count * 100 + rights, kOnvifLoginRefused, or a VerifyError.
    std::int32_t answer = 0;
    std::vector<CameraStreams> channels;  // one per video source, when answer is a verified one
    OnvifLayout layout;                   // likewise
};

// GetDeviceInformation, the call that tells whether the camera lets us in. When it refuses, the
// camera's clock is read and the call made once more with the camera's time in the token (cameras
// refuse tokens that are not fresh by their own clock); camera then keeps that clock offset.
OnvifResult<OnvifDeviceInformation> LogInToOnvifCamera(OnvifCamera& camera);

// The services and channels of a camera, without stream addresses (GetCapabilities, GetProfiles).
OnvifResult<OnvifLayout> ReadOnvifLayout(const OnvifCamera& camera);

// Logs in (LogInToOnvifCamera), finds the media service (GetCapabilities), one channel per video
// source (GetProfiles: its first profile the main stream, its second the sub stream) and their
// stream addresses (GetStreamUri). On the calling thread, within the connect timeout plus twice
// the answer timeout of the camera's limits, however many calls that takes.
OnvifVerification VerifyOnvifCamera(const OnvifCamera& camera);

// The VerifyError for a call that did not get its answer.
std::int32_t VerifyErrorOf(SoapOutcome outcome);

}  // namespace strovik
