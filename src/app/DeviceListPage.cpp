#include "app/DeviceListPage.h"

#include "app/MainWindowState.h"
#include "app/TreeIconProxy.h"
#include "app/TreePositions.h"
#include "platform/NamedControls.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace strovik {

namespace {

constexpr int kIconToLabelGap = 4;
constexpr int kLabelPadding = 6;

QWidget* buttonBar(QWidget* parent, QPushButton* button) {
    auto* bar = new QWidget(parent);
    auto* row = new QVBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(button);
    return bar;
}

}  // namespace

TDeviceListPage::TDeviceListPage(MainWindowState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName(QStringLiteral("DeviceListPage"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    TreeViewList = MakeControl<QTreeView>(this, "TreeViewList");
    TreeViewList->header()->hide();
    TreeViewList->setIconSize(QSize(16, 16));
    TreeViewList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeViewList->setSelectionMode(QAbstractItemView::SingleSelection);
    // The column is narrow: long names scroll sideways rather than being cut to "CHANNE...".
    TreeViewList->setIndentation(12);
    TreeViewList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TreeViewList->header()->setStretchLastSection(false);
    icons_ = new TreeIconProxy(this);
    icons_->setSourceModel(&state_.tree.model());
    TreeViewList->setModel(icons_);
    connect(&state_.tree.model(), &DeviceTreeModel::expandRequested, TreeViewList,
            [this](const QModelIndex& index) { TreeViewList->expandRecursively(icons_->mapFromSource(index)); });
    TreeViewList->viewport()->installEventFilter(this);
    column->addWidget(TreeViewList, 1);

    BtnAddServer = MakeControl<QPushButton>(this, "BtnAddServer", QStringLiteral("添加设备"));
    BtnDelServer = MakeControl<QPushButton>(this, "BtnDelServer", QStringLiteral("删除设备"));
    column->addWidget(buttonBar(this, BtnAddServer));
    column->addWidget(buttonBar(this, BtnDelServer));

    pmServerList = MakeControl<QMenu>(this, "pmServerList");
    AddMenuItem(pmServerList, "NStartAll", QStringLiteral("开始视频"));
    AddMenuItem(pmServerList, "N_Modify", QStringLiteral("修改参数"));
    AddMenuItem(pmServerList, "NClearAll", QStringLiteral("清空列表"));
}

QModelIndex TDeviceListPage::nodeAt(QPoint position) const {
    const QModelIndex index = TreeViewList->indexAt(position);
    if (!index.isValid()) return {};
    // The row's rectangle reaches the view's right edge; only the icon and the text count as the node.
    const QRect cell = TreeViewList->visualRect(index);
    const int labelWidth =
        TreeViewList->fontMetrics().horizontalAdvance(index.data(Qt::DisplayRole).toString()) + kLabelPadding;
    const int right = cell.left() + TreeViewList->iconSize().width() + kIconToLabelGap + labelWidth;
    return position.x() <= right ? index : QModelIndex();
}

DeviceTreeModel::TreeNode* TDeviceListPage::currentNode() const {
    const QModelIndex index = TreeViewList->currentIndex();
    return index.isValid() ? state_.tree.model().nodeAt(icons_->mapToSource(index)) : nullptr;
}

void TDeviceListPage::TreeViewListMouseDown(Qt::MouseButton button, QPoint position) {
    if (button != Qt::RightButton) return;
    state_.startPosition = 1;
    const QModelIndex index = nodeAt(position);
    const QPoint global = TreeViewList->viewport()->mapToGlobal(position);
    if (!index.isValid()) {
        pmServerList->popup(global);
        return;
    }
    TreeViewList->setCurrentIndex(index);
    const DeviceTreeModel::TreeNode* node = state_.tree.model().nodeAt(icons_->mapToSource(index));
    if (!node || !node->record()) return;
    if (node->record()->isChannel()) {
        state_.startPosition = ChannelStartPosition(state_.tree.model(), node);
    } else if (!node->parent()) {
        pmServerList->popup(global);
    }
}

void TDeviceListPage::TreeViewListMouseUp(Qt::MouseButton button, QPoint position) {
    if (button != Qt::LeftButton) return;
    const QModelIndex index = nodeAt(position);
    if (!index.isValid()) return;
    TreeViewList->setCurrentIndex(index);
    const DeviceTreeModel::TreeNode* node = state_.tree.model().nodeAt(icons_->mapToSource(index));
    if (node && node->isDevice()) state_.currentAddress = node->record()->connection.address.toQString();
}

bool TDeviceListPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TreeViewList->viewport()) {
        const auto type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint position = mouse->position().toPoint();
            if (type == QEvent::MouseButtonPress) {
                TreeViewListMouseDown(mouse->button(), position);
            } else {
                TreeViewListMouseUp(mouse->button(), position);
            }
            // The view's own right-button handling would move the selection on empty space.
            if (mouse->button() == Qt::RightButton) return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace strovik
