#pragma once

#include "devices/DeviceTreeModel.h"

#include <QWidget>

class QMenu;
class QPushButton;
class QTreeView;

namespace strovik {

struct MainWindowState;
class TreeIconProxy;

// The tool notebook's device list page: the device tree TreeViewList with the add and delete
// buttons below it, and the tree's popup menu pmServerList. A right click on a device, or away
// from every node, pops the menu up; a right click on a channel remembers where start-all begins.
class TDeviceListPage final : public QWidget {
    Q_OBJECT

public:
    TDeviceListPage(MainWindowState& state, QWidget* parent = nullptr);

    QTreeView* TreeViewList = nullptr;
    QPushButton* BtnAddServer = nullptr;
    QPushButton* BtnDelServer = nullptr;
    QMenu* pmServerList = nullptr;

    // The tree's mouse handling, by the viewport position of the pointer.
    void TreeViewListMouseDown(Qt::MouseButton button, QPoint position);
    void TreeViewListMouseUp(Qt::MouseButton button, QPoint position);
    // The node of the tree's current (selected) row, or null.
    DeviceTreeModel::TreeNode* currentNode() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The node whose icon or label lies under position, or an invalid index.
    QModelIndex nodeAt(QPoint position) const;

    MainWindowState& state_;
    TreeIconProxy* icons_ = nullptr;
};

}  // namespace strovik
