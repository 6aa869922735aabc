#include "app/TreeIconProxy.h"

#include "app/Artwork.h"
#include "devices/DeviceTreeModel.h"

namespace strovik {

TreeIconProxy::TreeIconProxy(QObject* parent) : QIdentityProxyModel(parent) {
    for (std::size_t i = 1; i < icons_.size(); ++i) icons_[i] = TreeIcon(static_cast<int>(i));
    // The icon index changes without a decoration change of its own: pass it on as one.
    connect(this, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                if (roles.contains(DeviceTreeModel::IconIndexRole) && !roles.contains(Qt::DecorationRole))
                    Q_EMIT dataChanged(topLeft, bottomRight, {Qt::DecorationRole});
            });
}

QVariant TreeIconProxy::data(const QModelIndex& index, int role) const {
    if (role != Qt::DecorationRole) return QIdentityProxyModel::data(index, role);
    const int picture = QIdentityProxyModel::data(index, DeviceTreeModel::IconIndexRole).toInt();
    if (picture < 1 || picture >= static_cast<int>(icons_.size())) return {};
    return icons_[static_cast<std::size_t>(picture)];
}

}  // namespace strovik
