#pragma once

#include <QGroupBox>

class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;

namespace strovik {

class RecordListModel;

// The record file list GroupBoxFileList: the rows of a record search over the right edge of the
// video area, hidden until a search or the show button asks for it. The rows are the model's;
// this window shows them, sorts on a column click, and turns a double-click or the popup's NBackup
// into a request naming the row's file on the device.
class TRecordFileList final : public QGroupBox {
    Q_OBJECT

public:
    explicit TRecordFileList(QWidget* parent = nullptr);

    RecordListModel& model() { return *model_; }

    void ShowFileList(bool visible);
    // Empties the list: no rows, the count label back to "0", sorting by the first column.
    void clearRows();
    int sortColumn() const;
    // The device's file name (sub-item 4) of the first selected row; empty without a selection.
    QString selectedFileName() const;
    // The search animation AnimateFSearch: running or stopped, covering the list or hidden.
    void setSearchAnimation(bool active, bool visible);

    QTableView* ListViewFile = nullptr;
    QProgressBar* AnimateFSearch = nullptr;
    QLabel* LabFileListTotal = nullptr;
    QLabel* LabListNum = nullptr;
    QPushButton* BtnHideFileList = nullptr;
    QMenu* pmFileList = nullptr;

Q_SIGNALS:
    // A row was double-clicked (play it) / the popup's NBackup was chosen (download the first
    // selected row); fileName is the row's file name on the device.
    void playRequested(const QString& fileName);
    void backupRequested(const QString& fileName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ListViewFileColumnClick(int column);
    // Right button on a row: the popup at that point; elsewhere, or another button, nothing.
    void ListViewFileMouseDown(Qt::MouseButton button, const QPoint& position);
    void refreshCount();

    RecordListModel* model_ = nullptr;
};

}  // namespace strovik
