#pragma once
// The reminders list as a table model: one row per reminder in index order.
// Rows keep only the record summaries; the five column texts are made when a
// row is shown (and a whole column when the list is sorted by it), so a file
// of 65535 reminders loads quickly.
#include "store/RegistroAviso.h"

#include <QAbstractTableModel>
#include <QVector>

class ReminderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QVector<ResumenAviso> rows);
    const QVector<ResumenAviso>& rows() const { return m_rows; }
    int numeroAt(int row) const { return row >= 0 && row < m_rows.size() ? m_rows[row].Numero : 0; }
    void setTitles(const QStringList& titles);

    // Reorders the rows by the texts of `column` compared character code by
    // character code, keeping equal texts in their order; returns the numbers
    // of the rows, top to bottom.
    QVector<quint16> sortByColumn(int column, bool ascending);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVector<ResumenAviso> m_rows;
    QStringList m_titles;
};
