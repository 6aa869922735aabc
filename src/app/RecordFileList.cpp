#include "app/RecordFileList.h"

#include "platform/NamedControls.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace strovik {

namespace {

struct Column {
    const char* title;
    int width;
    Qt::Alignment alignment;
};
constexpr Column kColumns[] = {
    {"通道", 40, Qt::AlignLeft},      {"类型", 55, Qt::AlignHCenter},  {"开始时间", 68, Qt::AlignHCenter},
    {"结束时间", 68, Qt::AlignHCenter}, {"文件大小", 70, Qt::AlignRight},
};

// Sub-item 4 of a row: stored with it, shown in no column.
constexpr int kFileNameColumn = 5;

}  // namespace

TRecordFileList::TRecordFileList(QWidget* parent) : QGroupBox(QStringLiteral("录像文件列表"), parent) {
    setObjectName(QStringLiteral("GroupBoxFileList"));
    setAutoFillBackground(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);

    ListViewFile = MakeControl<QTreeWidget>(this, "ListViewFile");
    ListViewFile->setRootIsDecorated(false);
    ListViewFile->setAllColumnsShowFocus(true);
    ListViewFile->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewFile->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewFile->setColumnCount(static_cast<int>(std::size(kColumns)));
    QTreeWidgetItem* header = ListViewFile->headerItem();
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        header->setText(i, QString::fromUtf8(kColumns[i].title));
        header->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);
        ListViewFile->setColumnWidth(i, kColumns[i].width);
    }
    column->addWidget(ListViewFile, 1);

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
    connect(ListViewFile, &QTreeWidget::itemDoubleClicked, this, [this] { Q_EMIT playRequested(selectedFileName()); });

    connect(BtnHideFileList, &QPushButton::clicked, this, [this] { ShowFileList(false); });
    hide();
}

void TRecordFileList::ShowFileList(bool visible) {
    setVisible(visible);
    if (visible) raise();
}

QString TRecordFileList::selectedFileName() const {
    const QList<QTreeWidgetItem*> rows = ListViewFile->selectedItems();
    return rows.isEmpty() ? QString() : rows.front()->text(kFileNameColumn);
}

void TRecordFileList::clearRows() {
    ListViewFile->clear();
    LabListNum->setText(QStringLiteral("0"));
    sortColumn_ = 0;
}

}  // namespace strovik
