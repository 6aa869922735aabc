#include "app/ProgramLibraries.h"

#include "app/LanguageTables.h"
#include "devicelibs/cameras/NetworkCameras.h"
#include "devicelibs/discovery/DiscoveryFactory.h"
#include "devicelibs/ffmpeg/FfmpegStreamPlayer.h"
#include "devicelibs/ffmpeg/FfmpegVideoClient.h"
#include "devicelibs/tcpclient/TcpClientFactory.h"
#include "platform/IniFile.h"

namespace strovik {

DeviceLibraries MakeProgramLibraries(const QString& appDir) {
    DeviceLibraries libraries;
    libraries.networkCameras = std::make_shared<NetworkCameras>();
    libraries.tcpClient = CreateTcpClientLibrary({}, libraries.networkCameras);
    libraries.discovery =
        CreateDiscoveryLibrary(ReadDiscoveryOptions(IniFile::load(appDir + QLatin1String(kSettingsFileName))));
    libraries.videoClient = std::make_shared<FfmpegVideoClient>(libraries.networkCameras);
    libraries.streamPlayer = std::make_shared<FfmpegStreamPlayer>();
    return libraries;
}

}  // namespace strovik
