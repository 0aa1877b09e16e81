#include "qv/ReminderListModel.h"

#include "core/Cp1252.h"
#include "qv/Icons.h"
#include "qv/RowTexts.h"

#include <algorithm>
#include <numeric>

void ReminderListModel::setRows(QVector<ResumenAviso> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ReminderListModel::setTitles(const QStringList& titles) {
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, 4);
}

QVector<quint16> ReminderListModel::sortByColumn(int column, bool ascending) {
    // Keys in the stored code page: a byte-wise comparison is the character-code
    // comparison. A stable sort keeps equal texts in their order, exactly as an
    // exchange sort that swaps only strictly misordered neighbours does.
    QVector<QByteArray> keys(m_rows.size());
    for (int i = 0; i < m_rows.size(); ++i) keys[i] = Cp1252::encode(RowTexts::texto(m_rows[i], column));
    QVector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return ascending ? keys[a] < keys[b] : keys[b] < keys[a]; });
    QVector<ResumenAviso> sorted;
    sorted.reserve(m_rows.size());
    QVector<quint16> numbers;
    numbers.reserve(m_rows.size());
    for (int i : order) {
        sorted << m_rows[i];
        numbers << m_rows[i].Numero;
    }
    setRows(std::move(sorted));
    return numbers;
}

int ReminderListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows.size(); }
int ReminderListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 5; }

QVariant ReminderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    const ResumenAviso& r = m_rows[index.row()];
    if (role == Qt::DisplayRole) return RowTexts::texto(r, index.column());
    if (role == Qt::DecorationRole && index.column() == 0) {
        static QHash<QString, QIcon> cache;
        const QString name = RowTexts::icono(r);
        auto it = cache.find(name);
        if (it == cache.end()) it = cache.insert(name, Icons::byName(name));
        return it.value();
    }
    if (role == Qt::UserRole) return RowTexts::icono(r);
    return {};
}

QVariant ReminderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return m_titles.value(section);
    return {};
}
