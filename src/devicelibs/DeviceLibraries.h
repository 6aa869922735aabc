#pragma once

#include <memory>

namespace strovik {

class TcpClientLibrary;
class DiscoveryLibrary;
class VideoClientLibrary;
class StreamPlayerLibrary;
class NetworkCameras;

// The registry of the four device libraries in use. The program fills it with the real
// implementations at start-up; tests fill it with test doubles. It is handed to the windows and
// logic that talk to devices through their constructors. A slot may stay empty in tests that do
// not need that library. networkCameras tells the real libraries which devices are cameras of
// other makes; the windows never read it.
struct DeviceLibraries {
    std::shared_ptr<TcpClientLibrary> tcpClient;
    std::shared_ptr<DiscoveryLibrary> discovery;
    std::shared_ptr<VideoClientLibrary> videoClient;
    std::shared_ptr<StreamPlayerLibrary> streamPlayer;
    std::shared_ptr<NetworkCameras> networkCameras;
};

}  // namespace strovik
