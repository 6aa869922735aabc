#include "DevsimConfig.h"

#include "devicelibs/wire/DiscoveryDatagrams.h"
#include "devices/DeviceNode.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <arpa/inet.h>

#include <cstdio>
#include <set>
#include <stdexcept>

namespace strovik::devsim {

namespace {

// Thrown by the readers below with a message naming section and key; caught once in LoadDevsimConfig.
struct ConfigError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const QString& section, const QString& key, const QString& why) {
    throw ConfigError(QStringLiteral("[%1] %2: %3").arg(section, key, why).toStdString());
}

class SectionReader {
public:
    SectionReader(const IniFile& ini, QString section) : ini_(ini), section_(std::move(section)) {}

    const QString& name() const { return section_; }
    bool has(const QString& key) const { return ini_.value(section_, key).has_value(); }
    QString text(const QString& key, const QString& fallback = {}) const {
        return ini_.readString(section_, key, fallback);
    }
    std::int64_t number(const QString& key, std::int64_t fallback, std::int64_t low,
                        std::int64_t high) const {
        const auto raw = ini_.value(section_, key);
        if (!raw) return fallback;
        const auto value = IniFile::parseInteger(*raw);
        if (!value || *value < low || *value > high)
            fail(key, QStringLiteral("expected a number from %1 to %2").arg(low).arg(high));
        return *value;
    }
    template <class Enum>
    Enum choice(const QString& key, std::initializer_list<std::pair<const char*, Enum>> options,
                Enum fallback) const {
        const QString value = text(key).toLower();
        if (value.isEmpty()) return fallback;
        QStringList names;
        for (const auto& [optionName, option] : options) {
            if (value == QLatin1String(optionName)) return option;
            names << QLatin1String(optionName);
        }
        fail(key, QStringLiteral("expected one of ") + names.join(QStringLiteral(", ")));
    }
    [[noreturn]] void fail(const QString& key, const QString& why) const { Fail(section_, key, why); }

private:
    const IniFile& ini_;
    QString section_;
};

bool IsLoopbackQuad(const QString& text) {
    in_addr address{};
    return ::inet_pton(AF_INET, text.toStdString().c_str(), &address) == 1 &&
           (ntohl(address.s_addr) >> 24) == 127;
}

std::vector<bool> ParseChannelList(const SectionReader& reader, const QString& key, int channels) {
    const QString text = reader.text(key, QStringLiteral("all")).toLower();
    std::vector<bool> allowed(static_cast<std::size_t>(channels), text == QLatin1String("all"));
    if (text == QLatin1String("all") || text == QLatin1String("none")) return allowed;
    static const QRegularExpression item(QStringLiteral("^\\s*(\\d+)\\s*(?:-\\s*(\\d+)\\s*)?$"));
    for (const QString& part : text.split(QLatin1Char(','))) {
        const auto match = item.match(part);
        if (!match.hasMatch())
            reader.fail(key, QStringLiteral("expected all, none or channels like 1,2,5-8"));
        const int first = match.captured(1).toInt();
        const int last = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
        if (first < 1 || last > channels || first > last)
            reader.fail(key, QStringLiteral("channels run from 1 to %1").arg(channels));
        for (int channel = first; channel <= last; ++channel)
            allowed[static_cast<std::size_t>(channel - 1)] = true;
    }
    return allowed;
}

LocalDateTime ParseDateTime(const SectionReader& reader, const QString& key, const QString& text) {
    LocalDateTime time;
    char tail = 0;
    const int fields = std::sscanf(text.trimmed().toStdString().c_str(), "%d-%d-%d %d:%d:%d%c", &time.year,
                                   &time.month, &time.day, &time.hour, &time.minute, &time.second, &tail);
    if (fields != 6 || !ToFileTime(time))
        reader.fail(key, QStringLiteral("\"%1\" is not a date and time like 2024-03-01 08:00:00").arg(text));
    return time;
}

std::uint8_t ParseRecordType(const SectionReader& reader, const QString& key, const QString& text) {
    const QString value = text.trimmed().toLower();
    if (value == QLatin1String("manual")) return 1;
    if (value == QLatin1String("auto")) return 2;
    if (value == QLatin1String("alarm")) return 3;
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < 0 || number > 255)
        reader.fail(key, QStringLiteral("expected manual, auto, alarm or 0..255"));
    return static_cast<std::uint8_t>(number);
}

std::vector<SimulatedUser> ReadUsers(const SectionReader& reader, int channels) {
    std::vector<SimulatedUser> users;
    for (int n = 1; n <= 64; ++n) {
        const QString suffix = QString::number(n);
        if (!reader.has(QStringLiteral("User") + suffix)) continue;
        SimulatedUser user;
        user.name = reader.text(QStringLiteral("User") + suffix).toStdString();
        user.password = reader.text(QStringLiteral("Password") + suffix).toStdString();
        user.rights = static_cast<int>(reader.number(QStringLiteral("Rights") + suffix, 58, 0, 99));
        user.searchChannels = ParseChannelList(reader, QStringLiteral("SearchChannels") + suffix, channels);
        users.push_back(std::move(user));
    }
    return users;
}

// Large enough for the record list's benchmark (10,000 results of one search) with room to spare;
// each key is one hash lookup, so an absent range costs little.
constexpr int kMaxCatalogueEntries = 65536;

std::vector<CatalogueEntry> ReadCatalogue(const SectionReader& reader, int channels) {
    std::vector<CatalogueEntry> catalogue;
    for (int n = 1; n <= kMaxCatalogueEntries; ++n) {
        const QString key = QStringLiteral("Recording") + QString::number(n);
        if (!reader.has(key)) continue;
        const QStringList fields = reader.text(key).split(QLatin1Char(','));
        if (fields.size() != 5)
            reader.fail(key, QStringLiteral("expected: file name, start, end, channel, type"));
        CatalogueEntry entry;
        entry.fileName = fields[0].trimmed().toStdString();
        if (entry.fileName.empty() || entry.fileName.size() > 259)
            reader.fail(key, QStringLiteral("file name of 1 to 259 bytes"));
        entry.start = ParseDateTime(reader, key, fields[1]);
        entry.end = ParseDateTime(reader, key, fields[2]);
        entry.startTime = *ToFileTime(entry.start);
        entry.endTime = *ToFileTime(entry.end);
        if (entry.endTime < entry.startTime) reader.fail(key, QStringLiteral("ends before it starts"));
        bool ok = false;
        const int channel = fields[3].trimmed().toInt(&ok);
        if (!ok || channel < 1 || channel > channels)
            reader.fail(key, QStringLiteral("channel from 1 to %1").arg(channels));
        entry.channel = static_cast<std::uint8_t>(channel);
        entry.recordType = ParseRecordType(reader, key, fields[4]);
        catalogue.push_back(std::move(entry));
    }
    return catalogue;
}

FirmwareVersion ReadFirmware(const SectionReader& reader) {
    FirmwareVersion version;
    const QString text = reader.text(QStringLiteral("Firmware"), QStringLiteral("9.7"));
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})\\.(\\d{1,5})$"));
    const auto match = pattern.match(text);
    const uint major = match.captured(1).toUInt();
    const uint minor = match.captured(2).toUInt();
    if (!match.hasMatch() || major > 65535 || minor > 65535)
        reader.fail(QStringLiteral("Firmware"), QStringLiteral("expected major.minor, like 9.7"));
    version.major = static_cast<std::uint16_t>(major);
    version.minor = static_cast<std::uint16_t>(minor);
    return version;
}

// "WIDTHxHEIGHT": even numbers (4:2:0 pictures), at most 1920 x 1080, whose key frames still fit
// the frame format's limit.
StreamSize ReadStreamSize(const SectionReader& reader, const QString& key, StreamSize fallback) {
    const QString text = reader.text(key);
    if (text.isEmpty()) return fallback;
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,4})\\s*[xX]\\s*(\\d{1,4})$"));
    const auto match = pattern.match(text);
    const StreamSize size{match.captured(1).toInt(), match.captured(2).toInt()};
    if (!match.hasMatch() || size.width < 16 || size.width > 1920 || size.height < 16 || size.height > 1080 ||
        size.width % 2 != 0 || size.height % 2 != 0)
        reader.fail(key, QStringLiteral("expected WIDTHxHEIGHT, even, from 16x16 to 1920x1080"));
    return size;
}

DeviceFaults ReadFaults(const SectionReader& reader) {
    DeviceFaults faults;
    faults.verify = reader.choice<VerifyFault>(QStringLiteral("VerifyFault"),
                                               {{"none", VerifyFault::None},
                                                {"refuse", VerifyFault::Refuse},
                                                {"garbage", VerifyFault::Garbage},
                                                {"oversized", VerifyFault::Oversized},
                                                {"silence", VerifyFault::Silence},
                                                {"close", VerifyFault::Close}},
                                               VerifyFault::None);
    faults.verifyDelay =
        std::chrono::milliseconds(reader.number(QStringLiteral("VerifyDelayMs"), 0, 0, 600000));
    faults.search = reader.choice<SearchFault>(QStringLiteral("SearchFault"),
                                               {{"none", SearchFault::None},
                                                {"malformed", SearchFault::Malformed},
                                                {"oversized", SearchFault::Oversized},
                                                {"silence", SearchFault::Silence}},
                                               SearchFault::None);
    faults.transfer = reader.choice<TransferFault>(QStringLiteral("TransferFault"),
                                                   {{"none", TransferFault::None},
                                                    {"drop", TransferFault::Drop},
                                                    {"stall", TransferFault::Stall},
                                                    {"oversized", TransferFault::Oversized}},
                                                   TransferFault::None);
    faults.transferFaultAfterBytes =
        reader.number(QStringLiteral("TransferFaultAfter"), 0, 0, std::numeric_limits<std::int64_t>::max());
    faults.closeChancePercent = static_cast<int>(reader.number(QStringLiteral("CloseChance"), 0, 0, 100));
    faults.trickleBytePause =
        std::chrono::milliseconds(reader.number(QStringLiteral("TrickleMs"), 0, 0, 60000));
    faults.liveDropAfter =
        std::chrono::milliseconds(reader.number(QStringLiteral("LiveDropAfterMs"), 0, 0, 86400000));
    const QString dropRange = reader.text(QStringLiteral("LiveDropRandomMs"));
    if (!dropRange.isEmpty()) {
        static const QRegularExpression pattern(QStringLiteral("^(\\d{1,8})\\s*-\\s*(\\d{1,8})$"));
        const auto match = pattern.match(dropRange);
        const int low = match.captured(1).toInt();
        const int high = match.captured(2).toInt();
        if (!match.hasMatch() || low < 1 || high > 86400000 || low > high)
            reader.fail(QStringLiteral("LiveDropRandomMs"),
                        QStringLiteral("expected MIN-MAX milliseconds, 1 <= MIN <= MAX <= 86400000"));
        if (faults.liveDropAfter.count() > 0)
            reader.fail(QStringLiteral("LiveDropRandomMs"),
                        QStringLiteral("not together with LiveDropAfterMs"));
        faults.liveDropRandomMin = std::chrono::milliseconds(low);
        faults.liveDropRandomMax = std::chrono::milliseconds(high);
    }
    return faults;
}

OnvifService ReadOnvifService(const SectionReader& reader) {
    OnvifService service;
    const auto url = [&](const QString& key, const QString& fallback) {
        const QString text = reader.text(key, fallback);
        if (!text.startsWith(QLatin1String("rtsp://"), Qt::CaseInsensitive))
            reader.fail(key, QStringLiteral("expected an rtsp:// address"));
        return text.toStdString();
    };
    service.mainStreamUrl = url(QStringLiteral("MainStreamUrl"), QString());
    service.subStreamUrl = url(QStringLiteral("SubStreamUrl"), QString::fromStdString(service.mainStreamUrl));
    const auto flag = [&](const QString& key) {
        return reader.choice<bool>(key, {{"yes", true}, {"no", false}}, true);
    };
    service.ptz = flag(QStringLiteral("OnvifPtz"));
    service.imaging = flag(QStringLiteral("OnvifImaging"));
    service.manufacturer = reader.text(QStringLiteral("Manufacturer"), QStringLiteral("devsim")).toStdString();
    service.model = reader.text(QStringLiteral("Model"), QStringLiteral("ONVIF camera")).toStdString();
    service.clockOffset = std::chrono::seconds(reader.number(QStringLiteral("ClockOffsetS"), 0, -864000000, 864000000));
    return service;
}

SimulatedDevice ReadDevice(const SectionReader& reader, const QDir& base) {
    SimulatedDevice device;
    QString defaultName = reader.name().mid(6).trimmed();  // after "Device"
    while (defaultName.startsWith(QLatin1Char('.')) || defaultName.startsWith(QLatin1Char(':')))
        defaultName.remove(0, 1);
    device.name = reader.text(QStringLiteral("Name"), defaultName.isEmpty() ? reader.name() : defaultName)
                      .toStdString();

    const QString address = reader.text(QStringLiteral("Address"));
    if (!IsLoopbackQuad(address))
        reader.fail(QStringLiteral("Address"), QStringLiteral("expected a loopback address 127.x.y.z"));
    device.address = address.toStdString();
    device.protocol = reader.choice<DeviceProtocol>(
        QStringLiteral("Protocol"), {{"native", DeviceProtocol::Native}, {"onvif", DeviceProtocol::Onvif}},
        DeviceProtocol::Native);
    if (device.protocol == DeviceProtocol::Onvif) device.onvif = ReadOnvifService(reader);
    device.port = static_cast<std::uint16_t>(reader.number(QStringLiteral("Port"), 5050, 1, 65535 - 2000));
    device.deviceType = reader.choice<std::uint8_t>(QStringLiteral("Type"),
                                                    {{"capture-card", DeviceType::CaptureCard},
                                                     {"dvr", DeviceType::Dvr},
                                                     {"camera", DeviceType::NetworkCamera}},
                                                    DeviceType::Dvr);
    device.channels = static_cast<int>(reader.number(QStringLiteral("Channels"), 1, 1, 64));
    device.firmware = ReadFirmware(reader);
    device.ptzPort = static_cast<std::uint16_t>(
        reader.number(QStringLiteral("PtzPort"), ChannelStreamPort(device.port), 1, 65535));
    device.users = ReadUsers(reader, device.channels);

    DiscoveryIdentity& identity = device.discovery;
    identity.deviceId =
        static_cast<std::int32_t>(reader.number(QStringLiteral("DeviceId"), 0, 0, 0x7FFFFFFF));
    identity.ipText =
        reader.text(QStringLiteral("DiscoveryIp"), QString::fromStdString(device.address)).toStdString();
    identity.mac = reader.text(QStringLiteral("Mac"), QStringLiteral("02:00:00:00:00:01")).toStdString();
    identity.mask = reader.text(QStringLiteral("Mask"), QString::fromStdString(identity.mask)).toStdString();
    identity.videoPort =
        static_cast<std::int32_t>(reader.number(QStringLiteral("VideoPort"), device.port, 0, 65535));
    identity.accessUser = reader.text(QStringLiteral("AccessUser")).toStdString();
    identity.accessPassword = reader.text(QStringLiteral("AccessPassword")).toStdString();

    const QString folder = reader.text(QStringLiteral("Recordings"), QStringLiteral("."));
    device.recordingsFolder = QDir::cleanPath(base.absoluteFilePath(folder)).toStdString();
    device.catalogue = ReadCatalogue(reader, device.channels);
    device.recordingContent =
        std::chrono::seconds(reader.number(QStringLiteral("RecordingContentSeconds"), 60, 1, 3600));
    device.transferBytesPerSecond =
        reader.number(QStringLiteral("TransferRate"), 0, 0, std::numeric_limits<std::int64_t>::max());
    device.transferBlockBytes = static_cast<std::int32_t>(
        reader.number(QStringLiteral("TransferBlock"), 1024 * 1024, 1, 4 * 1024 * 1024));
    device.mainStreamSize = ReadStreamSize(reader, QStringLiteral("MainStreamSize"), device.mainStreamSize);
    device.subStreamSize = ReadStreamSize(reader, QStringLiteral("SubStreamSize"), device.subStreamSize);
    device.preparedStreams = reader.choice<PreparedStreams>(QStringLiteral("PrepareStreams"),
                                                            {{"none", PreparedStreams::None},
                                                             {"main", PreparedStreams::Main},
                                                             {"sub", PreparedStreams::Sub},
                                                             {"all", PreparedStreams::All}},
                                                            PreparedStreams::None);
    device.faults = ReadFaults(reader);
    return device;
}

}  // namespace

const SimulatedUser* SimulatedDevice::findUser(std::string_view userName) const {
    for (const SimulatedUser& user : users)
        if (user.name == userName) return &user;
    return nullptr;
}

std::string SimulatedDevice::recordingPath(const CatalogueEntry& entry) const {
    return recordingsFolder + "/" + entry.fileName;
}

std::optional<DevsimConfig> LoadDevsimConfig(const QString& path, std::string* error) {
    const IniFile ini = IniFile::load(path);
    if (!ini.fileExisted() || !ini.errorString().isEmpty()) {
        *error = "cannot read " + path.toStdString() +
                 (ini.errorString().isEmpty() ? "" : ": " + ini.errorString().toStdString());
        return std::nullopt;
    }
    const QDir base = QFileInfo(path).absoluteDir();
    try {
        DevsimConfig config;
        const SectionReader simulator(ini, QStringLiteral("Simulator"));
        const QString log = simulator.text(QStringLiteral("Log"));
        if (!log.isEmpty()) config.logPath = base.absoluteFilePath(log).toStdString();
        config.discoveryAddress =
            simulator.text(QStringLiteral("DiscoveryAddress"), QStringLiteral("127.0.0.1")).toStdString();
        if (!IsLoopbackQuad(QString::fromStdString(config.discoveryAddress)))
            simulator.fail(QStringLiteral("DiscoveryAddress"),
                           QStringLiteral("expected a loopback address 127.x.y.z"));
        config.discoveryPort = static_cast<std::uint16_t>(
            simulator.number(QStringLiteral("DiscoveryPort"), kDefaultDiscoveryPort, 0, 65535));
        config.onvifDiscoveryAddress =
            simulator.text(QStringLiteral("OnvifDiscoveryAddress"), QString::fromStdString(config.discoveryAddress))
                .toStdString();
        if (!IsLoopbackQuad(QString::fromStdString(config.onvifDiscoveryAddress)))
            simulator.fail(QStringLiteral("OnvifDiscoveryAddress"),
                           QStringLiteral("expected a loopback address 127.x.y.z"));
        config.onvifDiscoveryPort = static_cast<std::uint16_t>(
            simulator.number(QStringLiteral("OnvifDiscoveryPort"), config.onvifDiscoveryPort, 0, 65535));
        config.onvifDiscoveryGroup = simulator.text(QStringLiteral("OnvifDiscoveryGroup")).toStdString();
        if (in_addr group{}; !config.onvifDiscoveryGroup.empty() &&
                             (::inet_pton(AF_INET, config.onvifDiscoveryGroup.c_str(), &group) != 1 ||
                              (ntohl(group.s_addr) >> 28) != 0xE))
            simulator.fail(QStringLiteral("OnvifDiscoveryGroup"), QStringLiteral("expected a multicast address"));
        config.maxSessions =
            static_cast<std::size_t>(simulator.number(QStringLiteral("MaxSessions"), 64, 1, 4096));
        config.idleTimeout = std::chrono::milliseconds(
            simulator.number(QStringLiteral("IdleTimeoutMs"), 3600000, 100, 86400000));
        config.seed = static_cast<std::uint32_t>(simulator.number(QStringLiteral("Seed"), 1, 0, 0xFFFFFFFF));

        std::set<std::pair<std::string, std::uint16_t>> ports;  // every port each device listens on
        for (const QString& section : ini.sectionNames()) {
            if (!section.startsWith(QLatin1String("Device"), Qt::CaseInsensitive)) continue;
            SimulatedDevice device = ReadDevice(SectionReader(ini, section), base);
            std::vector<std::uint16_t> taken{device.port};
            if (device.protocol == DeviceProtocol::Native) taken = {device.port, device.verificationPort(), device.ptzPort};
            for (const std::uint16_t port : taken)
                if (!ports.emplace(device.address, port).second)
                    Fail(section, QStringLiteral("Port"),
                         QStringLiteral("%1:%2 is already taken")
                             .arg(QString::fromStdString(device.address))
                             .arg(port));
            config.devices.push_back(std::move(device));
        }
        if (config.devices.empty()) throw ConfigError("no [Device ...] section");
        return config;
    } catch (const ConfigError& failure) {
        *error = failure.what();
        return std::nullopt;
    }
}

}  // namespace strovik::devsim
