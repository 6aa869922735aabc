#include "admin/LanCameraList.h"

#include "admin/DiscoveredCamera.h"
#include "platform/StringTable.h"

#include <algorithm>

namespace strovik {

namespace {

constexpr int kFirstCaptionId = 6023;

const QString& cell(const LanCameraRow& row, int column) {
    switch (column) {
        case LanCameraList::Number:
            return row.number;
        case LanCameraList::DeviceId:
            return row.deviceId;
        case LanCameraList::DeviceIp:
            return row.ip;
        case LanCameraList::IpMask:
            return row.mask;
        case LanCameraList::VideoPort:
            return row.videoPort;
        case LanCameraList::DeviceMac:
            return row.mac;
        case LanCameraList::User:
            return row.user;
        default:
            return row.password;
    }
}

}  // namespace

LanCameraList::LanCameraList(const StringTable& strings, QObject* parent)
    : QAbstractTableModel(parent), strings_(strings) {}

bool LanCameraList::addCamera(const DiscoveredCamera& camera) {
    const QString id = QString::number(camera.deviceId);
    if (std::any_of(rows_.begin(), rows_.end(), [&](const LanCameraRow& row) { return row.deviceId == id; }))
        return false;
    LanCameraRow row;
    row.number = QString::number(rows_.size() + 1);
    row.deviceId = id;
    row.ip = camera.ipText;
    row.mask = camera.maskText;
    row.videoPort = QString::number(camera.videoPort == 0 ? 5050 : camera.videoPort);
    row.mac = camera.macText;
    row.user = camera.userText.isEmpty() ? QStringLiteral("admin") : camera.userText;
    row.password = camera.passwordText;
    const int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at);
    rows_.push_back(std::move(row));
    endInsertRows();
    return true;
}

void LanCameraList::setRowAccess(int row, const QString& deviceId, const QString& ip, const QString& user,
                                 const QString& password) {
    if (row < 0 || row >= rowCount()) return;
    LanCameraRow& target = rows_[static_cast<std::size_t>(row)];
    target.deviceId = deviceId;
    target.ip = ip;
    target.user = user;
    target.password = password;
    Q_EMIT dataChanged(index(row, DeviceId), index(row, Password));
}

int LanCameraList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LanCameraList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LanCameraList::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const LanCameraRow& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) return cell(row, index.column());
    if (role == Qt::CheckStateRole && index.column() == Number)
        return row.checked ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool LanCameraList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::CheckStateRole ||
        index.column() != Number)
        return false;
    rows_[static_cast<std::size_t>(index.row())].checked = value.toInt() == Qt::Checked;
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

QVariant LanCameraList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return strings_.Lookup(kFirstCaptionId + section);
}

Qt::ItemFlags LanCameraList::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == Number) result |= Qt::ItemIsUserCheckable;
    return result;
}

}  // namespace strovik
