#include "qv/AllFilesListModel.h"

#include "alerts/AvisosPospuestos.h"
#include "qv/ReminderListModel.h"
#include "store/ReminderFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

AllFilesListModel::AllFilesListModel(QObject* parent) : QAbstractTableModel(parent) {
    connect(&AvisosPospuestos::global(), &AvisosPospuestos::cambiado, this, [this] {
        for (Parte& p : m_partes)
            p.pospuestos = AvisosPospuestos::global().porNumero(p.ruta, p.leidos);
        if (!m_filas.isEmpty()) emit dataChanged(index(0, 4), index(int(m_filas.size()) - 1, 4));
    });
}

void AllFilesListModel::leer(Parte& p, const QString& indice) {
    p.identidad = FileIdentity::of(p.ruta);
    p.identidadIndice = FileIdentity::of(indice);
    p.leidos = {};
    p.lugares.clear();
    try {
        p.leidos = LeerResumenes(p.ruta);
        const int total = p.leidos.size();
        QVector<quint16> orden = QFileInfo::exists(indice) ? LeerIndice(indice) : QVector<quint16>();
        if (orden.size() != total) { // no index yet, or one of another state: the file's order
            orden.resize(total);
            for (int i = 0; i < total; ++i)
                orden[i] = p.leidos[i].Numero;
        }
        QHash<quint16, quint16> lugarDe;
        for (int i = 0; i < total; ++i)
            lugarDe.insert(p.leidos[i].Numero, quint16(i));
        for (quint16 numero : orden)
            if (const auto it = lugarDe.constFind(numero); it != lugarDe.cend()) p.lugares << *it;
    } catch (const ReminderFileError&) {
        p.leidos = {};
        p.lugares.clear();
        p.identidad.reset(); // read again at the next chance
    }
    p.pospuestos = AvisosPospuestos::global().porNumero(p.ruta, p.leidos);
}

bool AllFilesListModel::actualizar(const QList<Fuente>& fuentes) {
    QStringList antes, ahora;
    for (const Parte& p : m_partes)
        antes << p.ruta;
    for (const Fuente& f : fuentes)
        ahora << f.ruta;
    bool cambio = antes != ahora;
    QVector<Parte> partes;
    partes.reserve(fuentes.size());
    for (const Fuente& f : fuentes) {
        auto kept =
            std::find_if(m_partes.begin(), m_partes.end(), [&](const Parte& p) { return p.ruta == f.ruta; });
        Parte p;
        if (kept != m_partes.end()) p = std::move(*kept);
        p.ruta = f.ruta;
        p.nombre = QFileInfo(f.ruta).fileName();
        if (!p.identidad || p.identidad != FileIdentity::of(f.ruta) ||
            p.identidadIndice != FileIdentity::of(f.indice)) {
            leer(p, f.indice);
            cambio = true;
        }
        partes << std::move(p);
    }
    if (!cambio) {
        m_partes = std::move(partes);
        return false;
    }
    beginResetModel();
    m_partes = std::move(partes);
    ordenar();
    endResetModel();
    return true;
}

void AllFilesListModel::ordenar() {
    m_filas.clear();
    for (int parte = 0; parte < m_partes.size(); ++parte)
        for (quint16 lugar : m_partes[parte].lugares)
            m_filas.append({parte, lugar});
    if (m_columnaOrden < 0) return;
    QVector<QByteArray> keys(m_filas.size());
    for (int i = 0; i < m_filas.size(); ++i) {
        const Parte& p = m_partes[m_filas[i].parte];
        keys[i] = m_columnaOrden == kColumnaArchivo
                      ? p.nombre.toUtf8()
                      : ReminderListModel::claveOrden(p.leidos, m_filas[i].lugar, m_columnaOrden);
    }
    m_filas = ReminderListModel::ordenadas(m_filas, keys, m_ascendente);
}

void AllFilesListModel::sortByColumn(int column, bool ascending) {
    beginResetModel();
    m_columnaOrden = column;
    m_ascendente = ascending;
    ordenar();
    endResetModel();
}

QString AllFilesListModel::archivoAt(int row) const {
    return row >= 0 && row < m_filas.size() ? m_partes[m_filas[row].parte].ruta : QString();
}

quint16 AllFilesListModel::numeroAt(int row) const {
    if (row < 0 || row >= m_filas.size()) return 0;
    const Fila& f = m_filas[row];
    return m_partes[f.parte].leidos[f.lugar].Numero;
}

int AllFilesListModel::filaDe(const QString& ruta, quint16 numero) const {
    for (int row = 0; row < m_filas.size(); ++row)
        if (numeroAt(row) == numero && archivoAt(row) == ruta) return row;
    return -1;
}

void AllFilesListModel::setTitles(const QStringList& titles) {
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, kColumnaArchivo);
}

int AllFilesListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_filas.size());
}

int AllFilesListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnaArchivo + 1;
}

QVariant AllFilesListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_filas.size()) return {};
    const Fila& f = m_filas[index.row()];
    const Parte& p = m_partes[f.parte];
    if (index.column() == kColumnaArchivo) {
        if (role == Qt::DisplayRole) return p.nombre;
        if (role == Qt::ToolTipRole) return QDir::toNativeSeparators(p.ruta);
        return {};
    }
    return ReminderListModel::celda(p.leidos, f.lugar, index.column(), role, p.pospuestos);
}

QVariant AllFilesListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return m_titles.value(section);
    return {};
}
