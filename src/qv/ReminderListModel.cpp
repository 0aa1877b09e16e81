#include "qv/ReminderListModel.h"

#include "alerts/AvisosPospuestos.h"
#include "core/Cp1252.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "qv/Icons.h"
#include "qv/RowTexts.h"
#include "settings/Ajustes.h"

#include <algorithm>
#include <numeric>

ReminderListModel::ReminderListModel(QObject* parent) : QAbstractTableModel(parent) {
    connect(&AvisosPospuestos::global(), &AvisosPospuestos::cambiado, this, [this] {
        leerPospuestos();
        if (!m_filas.isEmpty()) emit dataChanged(index(0, 4), index(int(m_filas.size()) - 1, 4));
    });
}

void ReminderListModel::leerPospuestos() {
    m_pospuestos = AvisosPospuestos::global().porNumero(Ajustes::openFile(), m_leidos);
}

void ReminderListModel::setRows(ResumenesAvisos leidos, const QVector<quint16>& orden) {
    beginResetModel();
    m_leidos = std::move(leidos);
    m_filas.resize(orden.size());
    quint16* fila = m_filas.data();
    const int total = m_leidos.size();
    for (quint16 numero : orden)
        if (numero != 0 && numero <= total) *fila++ = quint16(numero - 1);
    m_filas.resize(fila - m_filas.data()); // index entries without their records are left out
    leerPospuestos();
    endResetModel();
}

QVector<quint16> ReminderListModel::numeros() const {
    QVector<quint16> out(m_filas.size());
    quint16* numero = out.data();
    for (quint16 i : m_filas)
        *numero++ = m_leidos[i].Numero;
    return out;
}

int ReminderListModel::numeroAt(int row) const {
    return row >= 0 && row < m_filas.size() ? m_leidos[m_filas[row]].Numero : 0;
}

int ReminderListModel::filaDe(quint16 numero) const {
    for (int row = 0; row < m_filas.size(); ++row)
        if (m_leidos[m_filas[row]].Numero == numero) return row;
    return -1;
}

void ReminderListModel::setTitles(const QStringList& titles) {
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, 4);
}

// The moment of the next occurrence as a fixed-width big-endian number, offset
// so that days before the epoch sort first; the texts of the other columns.
QByteArray ReminderListModel::claveOrden(const ResumenesAvisos& leidos, int i, int column) {
    if (column != 2) return Cp1252::encode(RowTexts::texto(leidos, i, column));
    const quint64 momento = quint64(leidos[i].momento()) + (quint64(1) << 62);
    QByteArray key(8, '\0');
    for (int b = 0; b < 8; ++b)
        key[b] = char(momento >> (56 - 8 * b));
    return key;
}

QVector<quint16> ReminderListModel::sortByColumn(int column, bool ascending) {
    // Texts compare in the stored code page: a byte-wise comparison is the
    // character-code comparison. The next occurrence compares by its moment, as
    // a day and a time of day, so "09-ene-2027" comes after "10-dic-2026" and
    // "01:00 pm" after "11:00 am".
    QVector<QByteArray> keys(m_filas.size());
    for (int i = 0; i < m_filas.size(); ++i)
        keys[i] = claveOrden(m_leidos, m_filas[i], column);
    QVector<quint16> sorted = ordenadas(m_filas, keys, ascending);
    beginResetModel();
    m_filas = std::move(sorted);
    endResetModel();
    return numeros();
}

int ReminderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_filas.size();
}
int ReminderListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant ReminderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_filas.size()) return {};
    return celda(m_leidos, m_filas[index.row()], index.column(), role, m_pospuestos);
}

QVariant ReminderListModel::celda(const ResumenesAvisos& leidos, int i, int column, int role,
                                  const QHash<quint16, QDateTime>& pospuestos) {
    if (column == 4 && (role == Qt::DisplayRole || role == Qt::ToolTipRole)) {
        const auto snoozed = pospuestos.constFind(leidos[i].Numero);
        if (snoozed != pospuestos.cend()) {
            if (role == Qt::ToolTipRole)
                return LeerTexto(20712).arg(DisplayFormats::listDate(snoozed->date()) + QLatin1Char(' ') +
                                            DisplayFormats::listTime(snoozed->time()));
            return RowTexts::texto(leidos, i, 4) + LeerTexto(20713);
        }
    }
    if (role == Qt::DisplayRole) return RowTexts::texto(leidos, i, column);
    if (role == Qt::DecorationRole && column == 0) {
        static QHash<QString, QIcon> cache;
        const QString name = RowTexts::icono(leidos[i]);
        auto it = cache.find(name);
        if (it == cache.end()) it = cache.insert(name, Icons::byName(name));
        return it.value();
    }
    if (role == Qt::UserRole) return RowTexts::icono(leidos[i]);
    return {};
}

QVariant ReminderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return m_titles.value(section);
    return {};
}
