// A device list file as a damaged disk or another program may leave it: loading it never fails
// hard, and what was loaded survives a save and a load unchanged.
#include "FuzzSupport.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceTree.h"
#include "platform/StringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace strovik;
    const fuzz::InputFile file(QString::fromLatin1(kDeviceListFileName), data, size);
    static const StringTable strings;
    DeviceTree tree(strings);
    const DeviceListLoad loaded = LoadDeviceList(file.path(), tree);
    if (loaded.devicesAdded != static_cast<int>(tree.devices().size())) std::abort();

    const QString again = file.folder() + QStringLiteral("again.ini");
    if (!SaveDeviceList(again, tree)) std::abort();
    DeviceTree reloaded(strings);
    LoadDeviceList(again, reloaded);
    if (reloaded.devices().size() != tree.devices().size()) std::abort();
    for (std::size_t i = 0; i < tree.devices().size(); ++i) {
        const DeviceNode& first = *tree.devices()[i];
        const DeviceNode& second = *reloaded.devices()[i];
        if (first.name.view() != second.name.view() || first.connection.address.view() != second.connection.address.view() ||
            first.connection.port != second.connection.port || first.channelCount != second.channelCount)
            std::abort();
    }
    return 0;
}
