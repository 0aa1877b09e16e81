#pragma once
// The reminders list as a table model: one row per reminder in index order,
// the five columns' texts and the row icon. The model holds only what the
// list shows; it is rebuilt after every change, never edited in place.
#include <QAbstractTableModel>
#include <QByteArray>
#include <QVector>

struct FilaAviso {
    int numero = 0;
    QString texto[5];    // the five column texts
    QString icono;       // "ICN_..." resource name
    QByteArray clave[5]; // column texts in the stored code page, for sorting
};

class ReminderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QVector<FilaAviso> rows);
    const QVector<FilaAviso>& rows() const { return m_rows; }
    int numeroAt(int row) const { return row >= 0 && row < m_rows.size() ? m_rows[row].numero : 0; }
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
    QVector<FilaAviso> m_rows;
    QStringList m_titles;
};
