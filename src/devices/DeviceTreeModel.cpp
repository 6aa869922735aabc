#include "devices/DeviceTreeModel.h"

namespace strovik {

int TreeIconFor(const DeviceNode& record) {
    if (record.isChannel()) return 2;
    switch (record.connection.deviceType) {
        case DeviceType::NetworkCamera:
            return record.searchState < SearchState::FoundOnLan ? 5 : 3;
        case DeviceType::Dvr:
            return 6;
        default:
            return 1;
    }
}

int OpenedTreeIconFor(const DeviceNode& record) {
    switch (record.connection.deviceType) {
        case DeviceType::NetworkCamera:
            return record.searchState < SearchState::FoundOnLan ? 8 : 3;
        case DeviceType::Dvr:
            return 9;
        default:
            return 7;
    }
}

DeviceTreeModel::DeviceTreeModel(QObject* parent) : QAbstractItemModel(parent) {}
DeviceTreeModel::~DeviceTreeModel() = default;

std::vector<std::unique_ptr<DeviceTreeModel::TreeNode>>& DeviceTreeModel::siblingsOf(TreeNode* parent) {
    return parent ? parent->children_ : roots_;
}

DeviceTreeModel::TreeNode* DeviceTreeModel::insertNode(std::unique_ptr<TreeNode> node, TreeNode* parent) {
    auto& siblings = siblingsOf(parent);
    const int row = static_cast<int>(siblings.size());
    node->parent_ = parent;
    node->row_ = row;
    node->text_ = node->record_->name.toQString();
    node->icon_ = TreeIconFor(*node->record_);
    beginInsertRows(indexOf(parent), row, row);
    siblings.push_back(std::move(node));
    ++nodeCount_;
    endInsertRows();
    return siblings.back().get();
}

DeviceTreeModel::TreeNode* DeviceTreeModel::AddDeviceNode(DeviceNode* record, TreeNode* parent) {
    if (!record) return nullptr;
    auto node = std::make_unique<TreeNode>();
    node->record_ = record;
    return insertNode(std::move(node), parent);
}

DeviceTreeModel::TreeNode* DeviceTreeModel::AddOwnedNode(std::unique_ptr<DeviceNode> record, TreeNode* parent) {
    if (!record) return nullptr;
    auto node = std::make_unique<TreeNode>();
    node->record_ = record.get();
    node->ownedRecord_ = std::move(record);
    return insertNode(std::move(node), parent);
}

void DeviceTreeModel::clear() {
    beginResetModel();
    // Last to first, so that records are released in the reverse order of their creation.
    while (!roots_.empty()) roots_.pop_back();
    nodeCount_ = 0;
    endResetModel();
}

int DeviceTreeModel::countNodes(const TreeNode& node) {
    int count = 1;
    for (const auto& child : node.children_) count += countNodes(*child);
    return count;
}

void DeviceTreeModel::removeChildren(TreeNode* node) {
    if (!node || node->children_.empty()) return;
    beginRemoveRows(indexOf(node), 0, static_cast<int>(node->children_.size()) - 1);
    for (const auto& child : node->children_) nodeCount_ -= countNodes(*child);
    node->children_.clear();
    endRemoveRows();
}

void DeviceTreeModel::removeNode(TreeNode* node) {
    if (!node) return;
    auto& siblings = siblingsOf(node->parent_);
    const int row = node->row_;
    beginRemoveRows(indexOf(node->parent_), row, row);
    nodeCount_ -= countNodes(*node);
    siblings.erase(siblings.begin() + row);
    for (auto i = static_cast<std::size_t>(row); i < siblings.size(); ++i) siblings[i]->row_ = static_cast<int>(i);
    endRemoveRows();
}

void DeviceTreeModel::setIcon(TreeNode* node, int icon) {
    if (!node || node->icon_ == icon) return;
    node->icon_ = icon;
    const QModelIndex at = indexOf(node);
    Q_EMIT dataChanged(at, at, {IconIndexRole});
}

void DeviceTreeModel::setText(TreeNode* node, const QString& text) {
    if (!node) return;
    node->text_ = text;
    const QModelIndex at = indexOf(node);
    Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
}

void DeviceTreeModel::expandAll(TreeNode* node) {
    if (node) Q_EMIT expandRequested(indexOf(node));
}

void DeviceTreeModel::forEachNode(const std::function<void(TreeNode&)>& visit) const {
    for (const auto& root : roots_) {
        visit(*root);
        for (const auto& child : root->children_) visit(*child);
    }
}

QModelIndex DeviceTreeModel::indexOf(const TreeNode* node) const {
    return node ? createIndex(node->row_, 0, const_cast<TreeNode*>(node)) : QModelIndex();
}

DeviceTreeModel::TreeNode* DeviceTreeModel::nodeAt(const QModelIndex& index) const {
    return index.isValid() && index.model() == this ? static_cast<TreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex DeviceTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    const TreeNode* parentNode = nodeAt(parent);
    if (parent.isValid() && !parentNode) return {};
    const auto& siblings = parentNode ? parentNode->children_ : roots_;
    if (row >= static_cast<int>(siblings.size())) return {};
    return createIndex(row, 0, siblings[static_cast<std::size_t>(row)].get());
}

QModelIndex DeviceTreeModel::parent(const QModelIndex& child) const {
    const TreeNode* node = nodeAt(child);
    return node ? indexOf(node->parent_) : QModelIndex();
}

int DeviceTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    if (!parent.isValid()) return static_cast<int>(roots_.size());
    const TreeNode* node = nodeAt(parent);
    return node ? static_cast<int>(node->children_.size()) : 0;
}

int DeviceTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant DeviceTreeModel::data(const QModelIndex& index, int role) const {
    const TreeNode* node = nodeAt(index);
    if (!node) return {};
    switch (role) {
        case Qt::DisplayRole:
            return node->text_;
        case IconIndexRole:
            return node->icon_;
        case RecordRole:
            return QVariant::fromValue(static_cast<void*>(node->record_));
        default:
            return {};
    }
}

Qt::ItemFlags DeviceTreeModel::flags(const QModelIndex& index) const {
    return nodeAt(index) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace strovik
