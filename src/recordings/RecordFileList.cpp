#include "recordings/RecordFileList.h"

#include "platform/NamedControls.h"
#include "recordings/RecordListModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace strovik {

namespace {

constexpr int kRowHeight = 18;

}  // namespace

TRecordFileList::TRecordFileList(QWidget* parent) : QGroupBox(QStringLiteral("录像文件列表"), parent) {
    setObjectName(QStringLiteral("GroupBoxFileList"));
    setAutoFillBackground(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);

    model_ = new RecordListModel(this);
    ListViewFile = MakeControl<QTableView>(this, "ListViewFile");
    ListViewFile->setModel(model_);
    ListViewFile->setShowGrid(true);
    ListViewFile->setWordWrap(false);
    ListViewFile->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewFile->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewFile->verticalHeader()->hide();
    // Fixed row heights: the view then never measures rows, however many a search lists.
    ListViewFile->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListViewFile->verticalHeader()->setDefaultSectionSize(kRowHeight);
    QHeaderView* header = ListViewFile->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    for (int i = 0; i < RecordListModel::kColumns; ++i)
        header->resizeSection(i, RecordListModel::column(i).width);
    column->addWidget(ListViewFile, 1);

    // Drawn over the list in its place and size while a search runs.
    AnimateFSearch = MakeControl<QProgressBar>(this, "AnimateFSearch");
    AnimateFSearch->setTextVisible(false);
    AnimateFSearch->setRange(0, 1);
    AnimateFSearch->hide();
    ListViewFile->installEventFilter(this);
    ListViewFile->viewport()->installEventFilter(this);

    auto* bottom = new QHBoxLayout;
    LabFileListTotal = MakeControl<QLabel>(this, "LabFileListTotal", QStringLiteral("共："));
    LabListNum = MakeControl<QLabel>(this, "LabListNum", QStringLiteral("0"));
    BtnHideFileList = MakeControl<QPushButton>(this, "BtnHideFileList", QStringLiteral("隐藏"));
    bottom->addWidget(LabFileListTotal);
    bottom->addWidget(LabListNum, 1);
    bottom->addWidget(BtnHideFileList);
    column->addLayout(bottom);

    pmFileList = MakeControl<QMenu>(this, "pmFileList");
    QAction* backup = AddMenuItem(pmFileList, "NBackup", QStringLiteral("备份"));
    connect(backup, &QAction::triggered, this, [this] { Q_EMIT backupRequested(selectedFileName()); });
    connect(ListViewFile, &QAbstractItemView::doubleClicked, this,
            [this] { Q_EMIT playRequested(selectedFileName()); });
    connect(header, &QHeaderView::sectionClicked, this, &TRecordFileList::ListViewFileColumnClick);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &TRecordFileList::refreshCount);
    connect(model_, &QAbstractItemModel::modelReset, this, &TRecordFileList::refreshCount);

    connect(BtnHideFileList, &QPushButton::clicked, this, [this] { ShowFileList(false); });
    hide();
}

void TRecordFileList::ShowFileList(bool visible) {
    setVisible(visible);
    if (visible) raise();
}

QString TRecordFileList::selectedFileName() const {
    const QModelIndexList rows = ListViewFile->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.front().data(RecordListModel::kFileNameRole).toString();
}

void TRecordFileList::clearRows() {
    model_->clear();
}

int TRecordFileList::sortColumn() const {
    return model_->sortColumn();
}

void TRecordFileList::setSearchAnimation(bool active, bool visible) {
    // A busy bar runs with an empty range; a stopped one stands still.
    AnimateFSearch->setRange(0, active ? 0 : 1);
    AnimateFSearch->setGeometry(ListViewFile->geometry());
    AnimateFSearch->setVisible(visible);
    if (visible) AnimateFSearch->raise();
}

bool TRecordFileList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListViewFile && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        AnimateFSearch->setGeometry(ListViewFile->geometry());
    if (watched == ListViewFile->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        ListViewFileMouseDown(press->button(), press->position().toPoint());
    }
    return QGroupBox::eventFilter(watched, event);
}

void TRecordFileList::ListViewFileColumnClick(int column) {
    model_->sort(column);
}

void TRecordFileList::ListViewFileMouseDown(Qt::MouseButton button, const QPoint& position) {
    if (button != Qt::RightButton || !ListViewFile->indexAt(position).isValid()) return;
    const QPoint at = ListViewFile->viewport()->mapToGlobal(position);
    // After the view has handled the press, which selects the row under it.
    QMetaObject::invokeMethod(
        this, [this, at] { pmFileList->popup(at); }, Qt::QueuedConnection);
}

void TRecordFileList::refreshCount() {
    LabListNum->setText(QString::number(model_->rowCount()));
}

}  // namespace strovik
