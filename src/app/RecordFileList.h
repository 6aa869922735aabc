#pragma once

#include <QGroupBox>

class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace strovik {

// The record file list GroupBoxFileList: the rows of a record search over the right edge of the
// video area, hidden until a search or the show button asks for it.
class TRecordFileList final : public QGroupBox {
    Q_OBJECT

public:
    explicit TRecordFileList(QWidget* parent = nullptr);

    void ShowFileList(bool visible);
    // Empties the list: no rows, the count label back to "0", sorting by the first column.
    void clearRows();
    int sortColumn() const { return sortColumn_; }
    // The device's file name (sub-item 4) of the first selected row; empty without a selection.
    QString selectedFileName() const;

    QTreeWidget* ListViewFile = nullptr;
    QLabel* LabFileListTotal = nullptr;
    QLabel* LabListNum = nullptr;
    QPushButton* BtnHideFileList = nullptr;
    QMenu* pmFileList = nullptr;

Q_SIGNALS:
    // A row was double-clicked (play it) / the popup's NBackup was chosen (download the first
    // selected row); fileName is the row's file name on the device.
    void playRequested(const QString& fileName);
    void backupRequested(const QString& fileName);

private:
    int sortColumn_ = 0;
};

}  // namespace strovik
