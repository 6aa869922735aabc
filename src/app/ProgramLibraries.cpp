#include "app/ProgramLibraries.h"

#include "devicelibs/doubles/RecordingDiscoveryLibrary.h"
#include "devicelibs/doubles/RecordingTcpClientLibrary.h"

#include <memory>

namespace strovik {

DeviceLibraries MakeProgramLibraries() {
    DeviceLibraries libraries;
    // Stand-ins until the real TCP client and discovery libraries land; the lead swaps them in here.
    libraries.tcpClient = std::make_shared<RecordingTcpClientLibrary>();
    libraries.discovery = std::make_shared<RecordingDiscoveryLibrary>();
    return libraries;
}

}  // namespace strovik
