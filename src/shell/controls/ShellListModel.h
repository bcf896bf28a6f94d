#pragma once

#include "shell/controls/TPTShListData.h"

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <vector>

namespace lumisnap {

// The rows of a file list. Texts and icons are asked of each row's record only when
// the view shows them; the records cache them.
class ShellListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        QString caption;
        Qt::Alignment alignment = Qt::AlignLeft;
        int width = 0;
    };
    using Row = std::unique_ptr<TPTShListData>;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // Names edited in place go to `rename` (row, new text), which answers whether it took.
    void setRenameHandler(std::function<bool(int row, const QString &text)> rename)
    {
        m_rename = std::move(rename);
    }
    // The one row whose name may be edited now (-1: none).
    void setEditableRow(int row) { m_editableRow = row; }

    TPTShListData *row(int i) const;
    int indexOf(const TPTShListData *data) const;
    const std::vector<Column> &columns() const { return m_columns; }
    void setColumns(std::vector<Column> columns);

    // Replaces every row in one reset.
    void resetRows(std::vector<Row> rows);
    void appendRows(std::vector<Row> rows);
    // Removes the rows whose indexes are given (any order); `beforeDelete` sees each first.
    // Adjacent rows go together, and many scattered ones in one change of the layout.
    void deleteRows(
        std::vector<int> indexes, const std::function<void(int, TPTShListData *)> &beforeDelete);
    // Puts the rows in a new order: `order[i]` is the current index of the row that goes
    // to place i. The view keeps its selection and current row.
    void reorderRows(const std::vector<int> &order);

private:
    // Moves the rows to their places (-1: the row goes) in one change of the layout.
    void relayoutRows(const std::vector<int> &newRowOf, std::vector<Row> rows);

    std::vector<Row> m_rows;
    std::vector<Column> m_columns;
    std::function<bool(int, const QString &)> m_rename;
    int m_editableRow = -1;
};

} // namespace lumisnap
