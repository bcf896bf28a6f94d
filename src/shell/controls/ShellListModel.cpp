#include "shell/controls/ShellListModel.h"

#include <QIcon>

#include <algorithm>

namespace lumisnap {

int ShellListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ShellListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ShellListModel::data(const QModelIndex &index, int role) const
{
    TPTShListData *data = row(index.row());
    if (!data || index.column() < 0 || index.column() >= int(m_columns.size()))
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return data->ColumnText(index.column());
    case Qt::EditRole:
        return index.column() == 0 ? data->DisplayName() : QVariant();
    case Qt::DecorationRole: {
        if (index.column() != 0)
            return QVariant();
        const QIcon icon = data->Icon();
        // Ghosted items (hidden files) are drawn dimmed.
        if (data->IncludeAttributes() & SFGAO_GHOSTED)
            return icon.pixmap(16, QIcon::Disabled);
        return icon;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[size_t(index.column())].alignment | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant ShellListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= int(m_columns.size()))
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_columns[size_t(section)].caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[size_t(section)].alignment | Qt::AlignVCenter);
    return QVariant();
}

Qt::ItemFlags ShellListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid())
        flags |= Qt::ItemIsDragEnabled;
    if (index.column() == 0 && index.row() == m_editableRow && m_rename)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool ShellListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != 0 || !row(index.row()) || !m_rename)
        return false;
    if (!m_rename(index.row(), value.toString()))
        return false;
    emit dataChanged(index, this->index(index.row(), columnCount() - 1));
    return true;
}

TPTShListData *ShellListModel::row(int i) const
{
    return (i >= 0 && i < int(m_rows.size())) ? m_rows[size_t(i)].get() : nullptr;
}

int ShellListModel::indexOf(const TPTShListData *data) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].get() == data)
            return int(i);
    return -1;
}

void ShellListModel::setColumns(std::vector<Column> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
}

void ShellListModel::resetRows(std::vector<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ShellListModel::appendRows(std::vector<Row> rows)
{
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    for (Row &r : rows)
        m_rows.push_back(std::move(r));
    endInsertRows();
}

void ShellListModel::deleteRows(
    std::vector<int> indexes, const std::function<void(int, TPTShListData *)> &beforeDelete)
{
    constexpr std::size_t MaxSeparateRuns = 32;
    std::sort(indexes.begin(), indexes.end(), std::greater<int>());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    std::erase_if(indexes, [&](int i) { return i < 0 || i >= int(m_rows.size()); });
    if (indexes.empty())
        return;
    if (beforeDelete) {
        for (int i : indexes)
            beforeDelete(i, m_rows[size_t(i)].get());
    }
    // Runs of adjacent rows, from the last to the first.
    std::vector<std::pair<int, int>> runs;
    for (int i : indexes) {
        if (!runs.empty() && runs.back().first == i + 1)
            runs.back().first = i;
        else
            runs.emplace_back(i, i);
    }
    if (runs.size() <= MaxSeparateRuns) {
        for (const auto &[first, last] : runs) {
            beginRemoveRows(QModelIndex(), first, last);
            m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
            endRemoveRows();
        }
        return;
    }
    std::vector<int> newRowOf(m_rows.size(), 0);
    for (int i : indexes)
        newRowOf[size_t(i)] = -1;
    std::vector<Row> kept;
    kept.reserve(m_rows.size() - indexes.size());
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (newRowOf[i] < 0)
            continue;
        newRowOf[i] = int(kept.size());
        kept.push_back(std::move(m_rows[i]));
    }
    relayoutRows(newRowOf, std::move(kept));
}

void ShellListModel::reorderRows(const std::vector<int> &order)
{
    const size_t count = m_rows.size();
    if (order.size() != count || count < 2)
        return;
    std::vector<int> newRowOf(count, -1);
    std::vector<Row> sorted(count);
    for (size_t i = 0; i < count; ++i) {
        const int from = order[i];
        if (from < 0 || size_t(from) >= count || newRowOf[size_t(from)] >= 0)
            return; // not a permutation: keep the rows as they are
        newRowOf[size_t(from)] = int(i);
    }
    for (size_t i = 0; i < count; ++i)
        sorted[i] = std::move(m_rows[size_t(order[i])]);
    relayoutRows(newRowOf, std::move(sorted));
}

void ShellListModel::relayoutRows(const std::vector<int> &newRowOf, std::vector<Row> rows)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_rows = std::move(rows);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from) {
        const int row = index.isValid() ? newRowOf[size_t(index.row())] : -1;
        to.append(row >= 0 ? createIndex(row, index.column()) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace lumisnap
