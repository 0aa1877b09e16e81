#include "qv/ReminderListModel.h"

#include "qv/Icons.h"

#include <algorithm>

void ReminderListModel::setRows(QVector<FilaAviso> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ReminderListModel::setTitles(const QStringList& titles) {
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, 4);
}

QVector<quint16> ReminderListModel::sortByColumn(int column, bool ascending) {
    beginResetModel();
    // Byte-wise comparison of the stored code page equals the character-code
    // comparison; a stable sort keeps equal texts in their order, exactly as
    // an exchange sort that swaps only strictly misordered neighbours.
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const FilaAviso& a, const FilaAviso& b) {
        return ascending ? a.clave[column] < b.clave[column] : b.clave[column] < a.clave[column];
    });
    endResetModel();
    QVector<quint16> order;
    order.reserve(m_rows.size());
    for (const auto& r : m_rows) order << static_cast<quint16>(r.numero);
    return order;
}

int ReminderListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows.size(); }
int ReminderListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 5; }

QVariant ReminderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    const FilaAviso& r = m_rows[index.row()];
    if (role == Qt::DisplayRole) return r.texto[index.column()];
    if (role == Qt::DecorationRole && index.column() == 0) {
        static QHash<QString, QIcon> cache;
        auto it = cache.find(r.icono);
        if (it == cache.end()) it = cache.insert(r.icono, Icons::byName(r.icono));
        return it.value();
    }
    if (role == Qt::UserRole) return r.icono;
    return {};
}

QVariant ReminderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return m_titles.value(section);
    return {};
}
