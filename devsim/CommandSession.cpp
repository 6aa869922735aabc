#include "DeviceAnswers.h"
#include "Sessions.h"
#include "devicelibs/wire/MessageFraming.h"
#include "devicelibs/wire/SearchResultRecord.h"

#include <QFileInfo>

namespace strovik::devsim {

namespace {

std::int64_t RecordingSize(const SimulatedDevice& device, const CatalogueEntry& entry) {
    const QFileInfo file(QString::fromStdString(device.recordingPath(entry)));
    return file.isFile() ? file.size() : 0;
}

SearchResultRecord ResultRecord(const SimulatedDevice& device, const CatalogueEntry& entry) {
    SearchResultRecord record{};
    record.startTime = entry.startTime;
    record.endTime = entry.endTime;
    record.fileSize = RecordingSize(device, entry);
    record.fileName = entry.fileName;
    record.channel = entry.channel;
    record.recordType = entry.recordType;
    return record;
}

// Answers one search; nullptr to keep the session, or the outcome that ends it.
const char* ServeSearch(SessionContext& session, const SearchQuery& query) {
    const auto found = FindRecordings(session.device, query);
    const SearchFault fault = session.device.faults.search;
    session.line("search")
        .add("channel", query.channel)
        .add("type", query.recordType)
        .add("style", query.style == SearchRequestStyle::NewFirmware ? "new" : "old")
        .add("user", query.userName)
        .add("results", found.size())
        .writeTo(session.log);
    switch (fault) {
        case SearchFault::Silence:
            return nullptr;
        case SearchFault::Oversized:
            session.sendOversizedHeader();
            return "fault-oversized";
        case SearchFault::Malformed:
            // Every result one byte short, then a message too short to hold a code.
            for (const CatalogueEntry* entry : found) {
                const auto message = SearchResultMessage(ResultRecord(session.device, *entry));
                if (!session.send(message.data(), message.size() - 1)) return Outcome::ClientLeft;
            }
            if (!session.send("\x65\x00", 2)) return Outcome::ClientLeft;
            break;
        case SearchFault::None:
            for (const CatalogueEntry* entry : found)
                if (!session.send(SearchResultMessage(ResultRecord(session.device, *entry))))
                    return Outcome::ClientLeft;
            break;
    }
    return session.send(SearchFinishedMessage(static_cast<std::int32_t>(found.size()))) ? nullptr
                                                                                        : Outcome::ClientLeft;
}

bool ServeDeviceInfo(SessionContext& session, const DeviceInfoRequest& request) {
    DeviceInfoReply reply{};
    reply.version = session.device.firmware;
    reply.channelRights =
        ChannelSearchRights(session.device, request.userName.view(), request.password.view());
    session.line("device-info").add("user", request.userName.view()).writeTo(session.log);
    return session.send(&reply, sizeof reply);
}

}  // namespace

const char* ServeCommandSession(SessionContext& session, LogLine& summary) {
    if (!SendSessionAnswer(session, SessionKind::Command, SessionStatus::Accepted))
        return Outcome::ClientLeft;
    std::vector<std::uint8_t> message;
    while (true) {
        if (const char* ended = session.receiveRequest(message, summary)) return ended;
        const auto code = MessageCode(message.data(), message.size());
        if (code == kSearchRequestCode) {
            const auto query = ParseSearchRequest(message.data(), message.size());
            if (!query) {
                summary.add("reason", "search request of " + std::to_string(message.size()) + " bytes");
                return Outcome::BadMessage;
            }
            if (const char* ended = ServeSearch(session, *query)) return ended;
        } else if (code == kDeviceInfoCode) {
            const auto request = ParseDeviceInfoRequest(message.data(), message.size());
            if (!request) {
                summary.add("reason",
                            "device information request of " + std::to_string(message.size()) + " bytes");
                return Outcome::BadMessage;
            }
            if (!ServeDeviceInfo(session, *request)) return Outcome::ClientLeft;
        } else {
            session.line("command-ignored")
                .add("code", code.value_or(-1))
                .add("length", message.size())
                .writeTo(session.log);
        }
    }
}

}  // namespace strovik::devsim
