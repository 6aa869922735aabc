#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <vector>

namespace strovik {

struct DiscoveredCamera;
class StringTable;

// One row of the LAN search list, as the operator sees and corrects it.
struct LanCameraRow {
    QString number;  // 1-based, at the time of adding
    QString deviceId;
    QString ip;
    QString mask;
    QString videoPort;
    QString mac;
    QString user;
    QString password;
    bool checked = true;
};

// The LAN search page's list (DevList): one row per camera, eight columns, a check box in the
// first. Main thread only.
class LanCameraList final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Number, DeviceId, DeviceIp, IpMask, VideoPort, DeviceMac, User, Password, ColumnCount };

    // strings gives the column captions (IDs 6023 … 6030); it must outlive the list.
    explicit LanCameraList(const StringTable& strings, QObject* parent = nullptr);

    // Appends a checked row for camera unless a row already shows its device ID. False when the
    // camera was already listed.
    bool addCamera(const DiscoveredCamera& camera);
    // The row editor's Modify: the four columns it shows, written back into row.
    void setRowAccess(int row, const QString& deviceId, const QString& ip, const QString& user,
                      const QString& password);
    const std::vector<LanCameraRow>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static constexpr std::array<int, ColumnCount> kColumnWidths{60, 100, 110, 110, 80, 110, 120, 120};

private:
    const StringTable& strings_;
    std::vector<LanCameraRow> rows_;
};

}  // namespace strovik
