#pragma once
// The reminders list as a table model: one row per reminder in index order.
// It keeps the file's compact summaries and, per row, the reminder's place in
// the file; the five column texts are made when a row is shown (and a whole
// column when the list is sorted by it), so a file of 65535 reminders loads
// quickly and takes little memory.
#include "store/ResumenesAvisos.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QVector>

#include <algorithm>
#include <numeric>

class ReminderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReminderListModel(QObject* parent = nullptr);

    // The file's summaries (file order) and the list order: the numbers of the
    // reminders top to bottom, as the index holds them; numbers without a
    // reminder are left out.
    void setRows(ResumenesAvisos leidos, const QVector<quint16>& orden);
    const ResumenesAvisos& resumenes() const { return m_leidos; }
    // The stored numbers of the rows, top to bottom.
    QVector<quint16> numeros() const;
    int numeroAt(int row) const;
    int filaDe(quint16 numero) const; // -1 when no row shows it
    // The 0-based place in resumenes() of the reminder shown at `row`.
    int filaEnArchivo(int row) const { return m_filas[row]; }
    void setTitles(const QStringList& titles);

    // Reorders the rows by `column`, keeping equal values in their order:
    // the next occurrence (column 2) by its moment, the other columns by their
    // texts compared character code by character code. Returns the numbers of
    // the rows, top to bottom.
    QVector<quint16> sortByColumn(int column, bool ascending);

    // What both lists (one file, all active files) show in a cell of reminder
    // `i` of `leidos`, its snoozed time from `pospuestos`; and the key whose
    // byte order is the order of a column's values.
    static QVariant celda(const ResumenesAvisos& leidos, int i, int column, int role,
                          const QHash<quint16, QDateTime>& pospuestos);
    static QByteArray claveOrden(const ResumenesAvisos& leidos, int i, int column);
    // `filas` reordered by their `claves` (one each), equal keys kept in their
    // order, exactly as an exchange sort that swaps only strictly misordered
    // neighbours does.
    template <typename T>
    static QVector<T> ordenadas(const QVector<T>& filas, const QVector<QByteArray>& claves, bool ascending) {
        QVector<int> order(filas.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return ascending ? claves[a] < claves[b] : claves[b] < claves[a];
        });
        QVector<T> out;
        out.reserve(filas.size());
        for (int i : order)
            out << filas[i];
        return out;
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // The snoozed alerts of the open file, by reminder number (state column and its tooltip).
    void leerPospuestos();
    QHash<quint16, QDateTime> m_pospuestos;
    ResumenesAvisos m_leidos;
    QVector<quint16> m_filas; // per row, the 0-based place of its reminder in m_leidos
    QStringList m_titles;
};
