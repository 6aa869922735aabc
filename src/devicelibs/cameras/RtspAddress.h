#pragma once

#include <string>

namespace strovik {

// RTSP stream addresses as the device records keep them: without credentials, which the libraries
// add from the record's user and password only at the moment they connect, so that an address
// shown in a status text, a log line or the device list never carries a password.

// Whether text is an rtsp:// (or rtsps://) address with a host.
bool IsRtspAddress(const std::string& text);

// The address with any user and password taken out; empty when text is not an RTSP address.
std::string WithoutCredentials(const std::string& text);

// The address with the given user and password in it, percent-encoded, for the connection
// itself (FFmpeg's RTSP demuxer takes them from the address alone). An empty user leaves the
// address without credentials.
std::string WithCredentials(const std::string& address, const std::string& userName, const std::string& password);

}  // namespace strovik
