#include "app/RecordPage.h"

#include "app/ControlPlacement.h"
#include "app/MainWindowLayout.h"
#include "app/MainWindowState.h"
#include "platform/NamedControls.h"
#include "recordings/DeviceChoice.h"
#include "recordings/RecordFileList.h"
#include "recordings/SearchRules.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>

namespace strovik {

namespace {

constexpr QSize kShowListButtonSize{89, 25};
constexpr int kShowListButtonLeft = 23;
constexpr int kShowListButtonBottomGap = 10;

}  // namespace

TRecordPage::TRecordPage(MainWindowState& state, TRecordFileList& fileList, QWidget* parent)
    : QWidget(parent), state_(state), fileList_(fileList) {
    setObjectName(QStringLiteral("RecordPage"));
    DevListLab = MakeControl<QLabel>(this, "DevListLab", QStringLiteral("设备选择："));
    DevList = MakeControl<QComboBox>(this, "DevList");
    DatePicker = MakeControl<QDateEdit>(this, "DatePicker");
    DatePicker->setCalendarPopup(true);
    DatePicker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    LabTimeFrom = MakeControl<QLabel>(this, "LabTimeFrom", QStringLiteral("开始："));
    DateTimePickerFTime = MakeControl<QTimeEdit>(this, "DateTimePickerFTime");
    DateTimePickerFTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    DateTimePickerFTime->setTime(QTime(0, 0, 0));
    LabTimeTo = MakeControl<QLabel>(this, "LabTimeTo", QStringLiteral("结束："));
    DateTimePickerTTime = MakeControl<QTimeEdit>(this, "DateTimePickerTTime");
    DateTimePickerTTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    DateTimePickerTTime->setTime(QTime(23, 59, 59));
    LabType = MakeControl<QLabel>(this, "LabType", QStringLiteral("类型："));
    CmbType = MakeControl<QComboBox>(this, "CmbType");
    CmbType->addItems({QStringLiteral("全部"), QStringLiteral("手动"), QStringLiteral("自动"), QStringLiteral("报警")});
    LabChn = MakeControl<QLabel>(this, "LabChn", QStringLiteral("通道："));
    CmbChn = MakeControl<QComboBox>(this, "CmbChn");
    BtnSearch = MakeControl<QPushButton>(this, "BtnSearch", QStringLiteral("搜索"));
    BtnShowFileList = MakeControl<QPushButton>(this, "BtnShowFileList", QStringLiteral("显示文件列表"));

    connect(DevList, &QComboBox::activated, this, [this] { DevListChange(); });
    connect(BtnShowFileList, &QPushButton::clicked, this, &TRecordPage::BtnShowFileListClick);
    applyGeometry();
}

void TRecordPage::applyGeometry() { PlaceControls(*this, RecordPageGeometry()); }

void TRecordPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    BtnShowFileList->setGeometry(QRect(
        QPoint(kShowListButtonLeft, height() - kShowListButtonSize.height() - kShowListButtonBottomGap),
        kShowListButtonSize));
}

void TRecordPage::FillDeviceCombo(int newPage) {
    DevList->clear();
    fileList_.ShowFileList(false);
    const auto& devices = state_.tree.devices();
    if (newPage != kPageIndex || devices.empty()) return;
    for (const auto& device : devices) DevList->addItem(device->name.toQString());
    DevList->setCurrentIndex(0);
    const DeviceTreeModel::TreeNode* first = state_.tree.model().firstNode();
    if (first && first->isDevice() && first->record()->name.toQString() == DevList->currentText())
        applyDevice(*first);
}

void TRecordPage::DevListChange() {
    if (const DeviceTreeModel::TreeNode* node = ChosenDeviceNode(state_.tree.model(), DevList->currentText()))
        applyDevice(*node);
}

void TRecordPage::BtnShowFileListClick() {
    if (MayListRecords(state_.currentRights)) fileList_.ShowFileList(true);
}

SearchInputs TRecordPage::searchInputs() const {
    return SearchInputs{DatePicker->date(), DateTimePickerFTime->time(), DateTimePickerTTime->time(),
                        CmbChn->currentIndex(), CmbType->currentIndex()};
}

void TRecordPage::applyDevice(const DeviceTreeModel::TreeNode& node) {
    CmbChn->clear();
    for (const auto& channel : node.children()) CmbChn->addItem(channel->text());
    CmbChn->setCurrentIndex(0);
    MakeDeviceCurrent(state_, *node.record());
}

}  // namespace strovik
