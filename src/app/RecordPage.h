#pragma once

#include "devices/DeviceTreeModel.h"
#include "recordings/RecordSearchRequest.h"

#include <QWidget>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace strovik {

struct MainWindowState;
class TRecordFileList;

// The tool notebook's record playback page: the inputs of a record search and the button that
// shows the record file list. Choosing a device here makes it the current device.
class TRecordPage final : public QWidget {
    Q_OBJECT

public:
    TRecordPage(MainWindowState& state, TRecordFileList& fileList, QWidget* parent = nullptr);

    void applyGeometry();

    // Refills the device box when the notebook turns to page newPage (only the record page lists
    // devices) and hides the record file list.
    void FillDeviceCombo(int newPage);
    // Makes the device chosen in the device box current and lists its channels.
    void DevListChange();
    // Shows the record file list when the current rights permit record search.
    void BtnShowFileListClick();
    // What BtnSearch searches for: the date, the from and to times, the channel and the type.
    SearchInputs searchInputs() const;

    QLabel* DevListLab = nullptr;
    QComboBox* DevList = nullptr;
    QDateEdit* DatePicker = nullptr;
    QLabel* LabTimeFrom = nullptr;
    QTimeEdit* DateTimePickerFTime = nullptr;
    QLabel* LabTimeTo = nullptr;
    QTimeEdit* DateTimePickerTTime = nullptr;
    QLabel* LabType = nullptr;
    QComboBox* CmbType = nullptr;
    QLabel* LabChn = nullptr;
    QComboBox* CmbChn = nullptr;
    QPushButton* BtnSearch = nullptr;
    QPushButton* BtnShowFileList = nullptr;

    static constexpr int kPageIndex = 2;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyDevice(const DeviceTreeModel::TreeNode& node);

    MainWindowState& state_;
    TRecordFileList& fileList_;
};

}  // namespace strovik
