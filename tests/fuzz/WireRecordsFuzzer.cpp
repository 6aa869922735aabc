// The records a device or a camera on the LAN sends, each through what the program does with it:
// the first byte picks the record, the rest is the message as it arrived.
#include "admin/DiscoveredCamera.h"
#include "devicelibs/DiscoveryLibrary.h"
#include "devicelibs/wire/DiscoveryDatagrams.h"
#include "devicelibs/wire/SessionRecords.h"
#include "devicelibs/wire/TransferNotification.h"
#include "devices/DeviceInfoQuery.h"
#include "platform/StringTable.h"
#include "recordings/RecordRow.h"
#include "recordings/SearchResultQueue.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace strovik;

void SearchResults(const std::uint8_t* data, std::size_t size) {
    static const StringTable strings;
    SearchResultQueue queue;
    const std::uint64_t generation = queue.beginSearch();
    queue.accept(generation, 1);
    // The same message offered whole and cut at every length a short read could leave.
    for (std::size_t length = size; length + 16 >= size && length > 0; --length) queue.offer(1, data, length);
    bool more = true;
    while (more) {
        for (const SearchResultRecord& record : queue.take(4096, more)) {
            const std::optional<RecordRow> row = MakeRecordRow(record, strings);
            if (row && row->fileName().isNull()) std::abort();
        }
    }
}

void DeviceInformation(const std::uint8_t* data, std::size_t size) {
    const std::optional<DeviceInfoReply> reply = DecodeDeviceInfoReply(data, size);
    if (reply && size < sizeof(DeviceInfoReply)) std::abort();  // short replies are ignored
}

void Discovery(const std::uint8_t* data, std::size_t size) {
    if (const std::optional<DiscoveryAnswer> answer = ParseDiscoveryAnswer(data, size)) {
        const DiscoveredCamera camera = CopyDiscoveredCamera(answer->camera);
        (void)CameraVideoPort(camera.videoPort);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t* message = data + 1;
    const std::size_t length = size - 1;
    switch (data[0] % 5) {
        case 0:
            SearchResults(message, length);
            break;
        case 1:
            DeviceInformation(message, length);
            break;
        case 2:
            Discovery(message, length);
            break;
        case 3:
            (void)ParseTransferNotification(message, length);
            break;
        case 4:
            (void)ParseSessionAnswer(message, length);
            break;
    }
    return 0;
}
