#pragma once

#include "recordings/RecordRow.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace strovik {

// The rows of the record file list ListViewFile: channel, type, start, end and size columns, with
// the file name behind each row (kFileNameRole) and its times and type (the timeline's roles). Rows are
// appended unsorted; sort() orders them by ListViewFileCompare on the column given, always ascending, and
// keeps equal rows in their order. Main thread only.
class RecordListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kColumns = 5;
    static constexpr int kFileNameRole = Qt::UserRole;
    // The row's RecordRow::startMs, endMs (qint64) and recordType (int), for the timeline.
    static constexpr int kStartRole = Qt::UserRole + 1;
    static constexpr int kEndRole = Qt::UserRole + 2;
    static constexpr int kTypeRole = Qt::UserRole + 3;
    struct Column {
        const char* title;  // the design caption, until the language replaces it
        int width;
        Qt::Alignment alignment;
    };
    static const Column& column(int section);

    explicit RecordListModel(QObject* parent = nullptr);

    void append(std::vector<RecordRow> rows);
    // No rows, sorting back on the first column.
    void clear();
    const RecordRow& row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    int sortColumn() const { return sortColumn_; }

    // ListViewFileColumnClick: order is ignored, every sort is ascending.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<RecordRow> rows_;
    QStringList titles_;
    int sortColumn_ = 0;
};

}  // namespace strovik
