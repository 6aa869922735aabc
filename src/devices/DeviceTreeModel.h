#pragma once

#include "devices/DeviceNode.h"

#include <QAbstractItemModel>

#include <functional>
#include <memory>
#include <vector>

namespace strovik {

// The device tree: root nodes are devices in the order they were added, their children are channel
// nodes. Each node points to its DeviceNode record; the records belong to DeviceTree's lists,
// except channel records that exist only in the tree, which their node owns and releases with it.
// Views show it through the item-model interface; the logic changes it through the operations
// below. Main thread only.
class DeviceTreeModel final : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Role { IconIndexRole = Qt::UserRole + 1, RecordRole };

    class TreeNode final {
    public:
        DeviceNode* record() const { return record_; }
        int icon() const { return icon_; }
        const QString& text() const { return text_; }
        TreeNode* parent() const { return parent_; }
        int row() const { return row_; }
        const std::vector<std::unique_ptr<TreeNode>>& children() const { return children_; }
        bool ownsRecord() const { return ownedRecord_ != nullptr; }
        bool isDevice() const { return record_ && record_->isDevice(); }

    private:
        friend class DeviceTreeModel;
        DeviceNode* record_ = nullptr;
        std::unique_ptr<DeviceNode> ownedRecord_;
        int icon_ = 0;
        QString text_;
        TreeNode* parent_ = nullptr;
        int row_ = 0;
        std::vector<std::unique_ptr<TreeNode>> children_;
    };

    explicit DeviceTreeModel(QObject* parent = nullptr);
    ~DeviceTreeModel() override;

    // Adds a root node (parent null) or a child; text = the record's name, icon by TreeIconFor.
    TreeNode* AddDeviceNode(DeviceNode* record, TreeNode* parent);
    // The same for a channel record that exists only in the tree: the node owns it.
    TreeNode* AddOwnedNode(std::unique_ptr<DeviceNode> record, TreeNode* parent);

    // Deletes every node, from the last to the first.
    void clear();
    void removeChildren(TreeNode* node);
    void removeNode(TreeNode* node);
    void setIcon(TreeNode* node, int icon);
    void setText(TreeNode* node, const QString& text);
    // Asks the views to expand the node and everything below it.
    void expandAll(TreeNode* node);

    int nodeCount() const { return nodeCount_; }
    const std::vector<std::unique_ptr<TreeNode>>& roots() const { return roots_; }
    // Every node in tree order (a device, then its channels, then the next device).
    void forEachNode(const std::function<void(TreeNode&)>& visit) const;
    TreeNode* firstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }

    QModelIndex indexOf(const TreeNode* node) const;
    TreeNode* nodeAt(const QModelIndex& index) const;

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    void expandRequested(const QModelIndex& index);

private:
    TreeNode* insertNode(std::unique_ptr<TreeNode> node, TreeNode* parent);
    std::vector<std::unique_ptr<TreeNode>>& siblingsOf(TreeNode* parent);
    static int countNodes(const TreeNode& node);

    std::vector<std::unique_ptr<TreeNode>> roots_;
    int nodeCount_ = 0;
};

// The picture index of a node: 1 other device, 2 channel, 3 network camera found on the LAN,
// 5 other network camera, 6 DVR.
int TreeIconFor(const DeviceNode& record);
// The picture of a device after one of its channels opened: 8 network camera not found on the LAN
// (a found one keeps 3), 9 DVR, 7 other.
int OpenedTreeIconFor(const DeviceNode& record);

}  // namespace strovik
