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

    QTreeWidget* ListViewFile = nullptr;
    QLabel* LabFileListTotal = nullptr;
    QLabel* LabListNum = nullptr;
    QPushButton* BtnHideFileList = nullptr;
    QMenu* pmFileList = nullptr;

private:
    int sortColumn_ = 0;
};

}  // namespace strovik
