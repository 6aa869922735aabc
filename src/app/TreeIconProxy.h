#pragma once

#include <QIcon>
#include <QIdentityProxyModel>

#include <array>

namespace strovik {

// Shows the device tree model with pictures: each node's IconIndexRole picks one of the tree's
// pictures 1..9 as its decoration. Everything else passes through unchanged.
class TreeIconProxy final : public QIdentityProxyModel {
    Q_OBJECT

public:
    explicit TreeIconProxy(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::array<QIcon, 10> icons_;
};

}  // namespace strovik
