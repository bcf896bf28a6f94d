#include "shell/ShellListModel.h"

#include "shell/ShellEnum.h"

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
    std::sort(indexes.begin(), indexes.end(), std::greater<int>());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (int i : indexes) {
        if (i < 0 || i >= int(m_rows.size()))
            continue;
        if (beforeDelete)
            beforeDelete(i, m_rows[size_t(i)].get());
        beginRemoveRows(QModelIndex(), i, i);
        m_rows.erase(m_rows.begin() + i);
        endRemoveRows();
    }
}

void ShellListModel::sortRows(const Compare &compare)
{
    const int count = int(m_rows.size());
    if (count < 2)
        return;
    const std::vector<int> order = stableSortOrder(
        count, [&](int a, int b) { return compare(*m_rows[size_t(a)], *m_rows[size_t(b)]); });
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(static_cast<size_t>(count));
    std::vector<Row> sorted(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        newRowOf[size_t(order[size_t(i)])] = i;
        sorted[size_t(i)] = std::move(m_rows[size_t(order[size_t(i)])]);
    }
    m_rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from)
        to.append(index.isValid() ? createIndex(newRowOf[size_t(index.row())], index.column())
                                  : QModelIndex());
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace lumisnap
