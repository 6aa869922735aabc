#include "recordings/RecordListModel.h"

#include <algorithm>
#include <numeric>

namespace strovik {

namespace {

constexpr RecordListModel::Column kColumnTable[RecordListModel::kColumns] = {
    {"通道", 40, Qt::AlignLeft},        {"类型", 55, Qt::AlignHCenter},   {"开始时间", 68, Qt::AlignHCenter},
    {"结束时间", 68, Qt::AlignHCenter}, {"文件大小", 70, Qt::AlignRight},
};

QVariant alignmentOf(int section) {
    return static_cast<int>((RecordListModel::column(section).alignment | Qt::AlignVCenter).toInt());
}

}  // namespace

const RecordListModel::Column& RecordListModel::column(int section) {
    return kColumnTable[std::clamp(section, 0, kColumns - 1)];
}

RecordListModel::RecordListModel(QObject* parent) : QAbstractTableModel(parent) {
    for (const Column& entry : kColumnTable) titles_.push_back(QString::fromUtf8(entry.title));
}

void RecordListModel::append(std::vector<RecordRow> rows) {
    if (rows.empty()) return;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
}

void RecordListModel::clear() {
    sortColumn_ = 0;
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void RecordListModel::sort(int column, Qt::SortOrder) {
    if (column < 0 || column >= kColumns) return;
    sortColumn_ = column;
    if (rows_.size() < 2) return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Keys once per row rather than once per comparison: ListViewFileCompare's order.
    std::vector<QByteArray> keys;
    keys.reserve(rows_.size());
    for (const RecordRow& entry : rows_) keys.push_back(RecordSortKey(entry.text(column)));
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
    });

    std::vector<RecordRow> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newRowOf(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
        newRowOf[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    rows_ = std::move(sorted);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.push_back(this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecordListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const RecordRow& entry = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return entry.text(index.column());
        case Qt::TextAlignmentRole:
            return alignmentOf(index.column());
        case kFileNameRole:
            return entry.fileName();
        case kStartRole:
            return QVariant::fromValue<qint64>(entry.startMs);
        case kEndRole:
            return QVariant::fromValue<qint64>(entry.endMs);
        case kTypeRole:
            return static_cast<int>(entry.recordType);
        default:
            return {};
    }
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
    if (role == Qt::DisplayRole) return titles_[section];
    if (role == Qt::TextAlignmentRole) return alignmentOf(section);
    return {};
}

bool RecordListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                    int role) {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0 ||
        section >= kColumns)
        return false;
    titles_[section] = value.toString();
    Q_EMIT headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags RecordListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

}  // namespace strovik
