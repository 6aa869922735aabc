#include "app/LoginSettings.h"

#include "platform/IniFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

#include <utility>

namespace strovik {

namespace {

const QString kListSection = QStringLiteral("LoginList");
const QString kCount = QStringLiteral("Count");
const QString kServerAddr = QStringLiteral("ServerAddr");
const QString kPort = QStringLiteral("Port");

QString entrySection(qint64 i) { return QStringLiteral("LoginInfo%1").arg(i); }

// The history file must be writable before it is changed; false when its read-only mark stays.
bool clearReadOnlyMark(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || info.isWritable()) return true;
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    return QFileInfo(path).isWritable();
}

// The entries 1..count that have a section, in entry order. Entries without one read as empty
// addresses and are skipped anyway, so a hand-edited count of millions costs nothing.
std::vector<qint64> presentEntries(const IniFile& ini, qint64 count) {
    std::vector<qint64> entries;
    for (const QString& name : ini.sectionNames()) {
        if (!name.startsWith(QLatin1String("LoginInfo"), Qt::CaseInsensitive)) continue;
        bool ok = false;
        const qint64 i = name.mid(9).toLongLong(&ok);
        if (ok && i >= 1 && i <= count && entrySection(i).compare(name, Qt::CaseInsensitive) == 0)
            entries.push_back(i);
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    return entries;
}

}  // namespace

LoginSettings::LoginSettings(QString appDir, StoredLoginStore store)
    : appDir_(std::move(appDir)), store_(std::move(store)) {}

QString LoginSettings::historyPath() const { return appDir_ + QLatin1String(kLoginHistoryFileName); }

StoredLogin LoginSettings::ReadStoredLogin(QStringList& history) const {
    FillServerHistory(history);
    return store_.read().value_or(StoredLogin{});
}

void LoginSettings::FillServerHistory(QStringList& history) const {
    if (!QFileInfo::exists(historyPath())) return;
    const IniFile ini = IniFile::load(historyPath());
    history.clear();
    const qint64 count = ini.readInt(kListSection, kCount, 0);
    for (const qint64 i : presentEntries(ini, count)) {
        const QString address = ini.readString(entrySection(i), kServerAddr, QString());
        if (!address.isEmpty()) history.push_back(address);
    }
}

bool LoginSettings::SaveLoginInfo(const QString& address, quint32 port, const QString& userName,
                                  const QString& password, bool autoLogin) const {
    store_.write(StoredLogin{address, port, userName, password, autoLogin});

    const QString path = historyPath();
    if (!clearReadOnlyMark(path)) return false;
    IniFile ini = IniFile::load(path);
    if (!ini.errorString().isEmpty()) return false;

    qint64 count = ini.readInt(kListSection, kCount, 0);
    for (const qint64 i : presentEntries(ini, count)) {
        const QString known = ini.readString(entrySection(i), kServerAddr, QString());
        if (!known.isEmpty() && known == address) return true;
    }

    if (count < kHistoryLimit) {
        ++count;
    } else {
        for (int i = 2; i <= kHistoryLimit; ++i) {
            const QString movedAddress = ini.readString(entrySection(i), kServerAddr, QString());
            const qint64 movedPort = ini.readInt(entrySection(i), kPort, 5050);
            if (movedAddress.isEmpty()) continue;
            ini.writeString(entrySection(i - 1), kServerAddr, movedAddress);
            ini.writeInt(entrySection(i - 1), kPort, movedPort);
        }
    }
    ini.writeString(entrySection(count), kServerAddr, address);
    ini.writeInt(entrySection(count), kPort, port);
    ini.writeInt(kListSection, kCount, count);
    return ini.save();
}

}  // namespace strovik
