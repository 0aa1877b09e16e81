#pragma once
// The reminders of every active file in one list, with a sixth column naming
// each one's file: the files in the order they were opened, each one's
// reminders in its own display order, until the user sorts by a column. A file
// is read again only when it (or its display order) changed since the last
// reading; one that cannot be read shows no rows until it can.
#include "platform/FileIdentity.h"
#include "store/ResumenesAvisos.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QVector>

#include <optional>

class AllFilesListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnaArchivo = 5;

    struct Fuente {
        QString ruta;   // the reminders file
        QString indice; // its display-order index
    };

    explicit AllFilesListModel(QObject* parent = nullptr);

    // The list anew for `fuentes`, reading only what changed; true when rows changed.
    bool actualizar(const QList<Fuente>& fuentes);
    QString archivoAt(int row) const;
    quint16 numeroAt(int row) const;                       // 0 outside the rows
    int filaDe(const QString& ruta, quint16 numero) const; // -1 when no row shows it
    void setTitles(const QStringList& titles);             // the six column titles
    // Reorders the rows by `column` (equal values keep their order); it stays so until
    // sortByColumn(-1, ...) brings back the files' own order.
    void sortByColumn(int column, bool ascending);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Parte {
        QString ruta, nombre;
        ResumenesAvisos leidos;
        QVector<quint16> lugares; // per shown reminder, its 0-based place in `leidos`
        QHash<quint16, QDateTime> pospuestos;
        std::optional<FileIdentity> identidad, identidadIndice;
    };
    struct Fila {
        int parte;
        quint16 lugar;
    };
    static void leer(Parte& p, const QString& indice);
    void ordenar();

    QVector<Parte> m_partes;
    QVector<Fila> m_filas;
    QStringList m_titles;
    int m_columnaOrden = -1;
    bool m_ascendente = true;
};
