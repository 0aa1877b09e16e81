// The editor's data side: filling the controls from a record, validating and
// copying them back, the weekday list, whole minutes, expiry, sound and recipients.
#include "qv/editor/TVEdicionAvisos.h"

#include "alerts/Sonido.h"
#include "core/Clock.h"
#include "core/DisplayFormats.h"
#include "core/TextCatalogue.h"
#include "profiles/ArchivoPerfiles.h"
#include "qv/EntradaCp1252.h"
#include "qv/MessageBoxes.h"
#include "qv/SoundFileDialog.h"
#include "settings/Ajustes.h"
#include "settings/ProgramFolders.h"
#include "store/OccurrenceRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QThread>
#include <QTimeEdit>

#include <exception>

void TVEdicionAvisos::llenarDirecciones() {
    m_origen->clear();
    m_destino->clear();
    const RegistroPerfiles perfiles =
        LeerPerfilesParaUso(RutaArchivoPerfiles(ProgramFolders::global().dirPrograma));
    for (int k = 1; k <= Perfiles::kNumDirecciones; ++k) {
        const QString d = perfiles.direccion(k);
        if (!d.isEmpty()) m_origen->addItem(d);
    }
}

void TVEdicionAvisos::setSonido(const QString& path) {
    m_sonido = path;
    m_sonidoEdit->setText(path.isEmpty() ? LeerTexto(3017) : QFileInfo(path).fileName());
}

void TVEdicionAvisos::cargarNuevo(int numero) {
    setWindowTitle(LeerTexto(20206));
    const QDateTime now = Clock::current().now();
    m_labelAviso->setText(QString::number(numero));
    m_nombre->clear();
    m_fecha->setDate(now.date());
    m_hora->setTime(QTime(now.time().hour(), now.time().minute()));
    m_repetir->setCurrentIndex(-1);
    for (int i = 0; i < m_dias->count(); ++i)
        m_dias->item(i)->setCheckState(Qt::Unchecked);
    m_texto->clear();
    setSonido(QString());
    m_caduca->setChecked(false);
    m_borrar->setChecked(false);
    m_fechaUlt->setDate(now.date());
    MensajeCaducidadClick();
    llenarDirecciones();
}

void TVEdicionAvisos::cargar(const RegistroAviso& r) {
    m_labelAviso->setText(QString::number(r.Numero));
    m_nombre->setText(r.Descripcion);
    m_fecha->setDate(r.fechaProx());
    m_hora->setTime(r.horaProx());
    if (r.Repetir > 127) {
        m_repetir->setCurrentIndex(2);
        const int mask = r.Repetir - 127;
        for (int i = 0; i < 7; ++i)
            m_dias->item(i)->setCheckState((mask >> i) & 1 ? Qt::Checked : Qt::Unchecked);
    } else {
        m_repetir->setCurrentIndex(r.Repetir < m_repetir->count() ? r.Repetir : -1);
    }
    m_texto->setPlainText(QString(r.Texto).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    setSonido(r.Sonido);
    m_caduca->setChecked(r.Caduca);
    m_borrar->setChecked(r.BorrarAlCaducar);
    m_fechaUlt->setDate(r.fechaUlt());
    m_fechaUlt->setEnabled(r.Caduca);
    m_borrar->setEnabled(r.Caduca);
    llenarDirecciones();
    const RegistroPerfiles perfiles =
        LeerPerfilesParaUso(RutaArchivoPerfiles(ProgramFolders::global().dirPrograma));
    for (int slot = 0; slot < 255; ++slot) {
        const int b = r.Destinatarios[slot];
        if (b == 0) continue;
        const QString d = perfiles.direccion(b);
        if (d.isEmpty()) continue;
        m_destino->addItem(d);
        const auto found = m_origen->findItems(d, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (!found.isEmpty()) delete m_origen->takeItem(m_origen->row(found.first()));
    }
}

int TVEdicionAvisos::repeticionElegida() const {
    int kind = m_repetir->currentIndex();
    if (kind == 2) {
        int mask = 0;
        for (int i = 0; i < 7; ++i)
            if (m_dias->item(i)->checkState() == Qt::Checked) mask |= 1 << i;
        kind = mask == 127 ? 3 : 127 + mask;
    }
    return kind;
}

bool TVEdicionAvisos::validar() {
    // "Only on..." with no day ticked (127) names no day at all: as incomplete as
    // no repetition, so it is refused like it.
    const int kind = repeticionElegida();
    if (m_nombre->text().isEmpty() || kind < 0 || kind == 127) {
        MessageBoxes::errorText(this, 9017);
        return false;
    }
    const QString refused = EntradaCp1252::comprobar(m_nombre->text() + m_texto->toPlainText() + m_sonido);
    if (!refused.isEmpty()) {
        MessageBoxes::error(this, refused);
        return false;
    }
    // It fires when its user expects: not on a day the set leaves out, not
    // only as "missed" at the next start.
    const QTime horaElegida(m_hora->time().hour(), m_hora->time().minute());
    const int diasLaborables = Ajustes::workingDays();
    const PrimerMomento primero =
        PrimerMomentoAviso(kind, m_fecha->date(), horaElegida, Clock::current().now(), diasLaborables);
    if (primero.pasado) {
        MessageBoxes::errorText(this, 20207);
        return false;
    }
    // A repeating reminder whose last day comes before its next occurrence
    // would never reach that day: it would run for ever, never removed.
    if (kind != 0 && m_caduca->isChecked() && m_fechaUlt->date() < primero.fecha) {
        MessageBoxes::errorText(this, 20806);
        return false;
    }
    if (primero.movido) {
        m_fecha->setDate(primero.fecha);
        m_hora->setTime(primero.hora);
        MessageBoxes::warning(
            this, LeerTexto(primero.eraPasado ? 20208 : 20209)
                      .arg(DisplayFormats::listDate(primero.fecha), DisplayFormats::listTime(primero.hora)));
    }
    return true;
}

void TVEdicionAvisos::accept() {
    if (validar()) QDialog::accept();
}

bool TVEdicionAvisos::GuardarAviso(RegistroAviso& r) {
    if (!validar()) return false;
    const int kind = repeticionElegida();
    r.Estado = 2;
    r.Activo = true;
    r.Terminado = false;
    r.Numero = static_cast<quint16>(m_labelAviso->text().toInt());
    r.Descripcion = m_nombre->text().left(30);
    if (r.fechaProx() != m_fecha->date()) r.DiaElegido = 0; // a new date is the new chosen day
    r.setFechaProx(m_fecha->date());
    r.setHoraProx(QTime(m_hora->time().hour(), m_hora->time().minute()));
    r.Repetir = static_cast<quint8>(kind);
    r.Texto = m_texto->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).left(255);
    r.Sonido = m_sonido.left(255);
    r.Caduca = m_caduca->isChecked();
    r.BorrarAlCaducar = m_borrar->isChecked();
    r.setFechaUlt(m_fechaUlt->date());
    r.PorEmail = false;
    for (auto& slot : r.Destinatarios)
        slot = 0;
    const RegistroPerfiles perfiles =
        LeerPerfilesParaUso(RutaArchivoPerfiles(ProgramFolders::global().dirPrograma));
    for (int i = 0; i < m_destino->count() && i < 255; ++i) {
        const QString item = m_destino->item(i)->text();
        for (int k = 1; k <= Perfiles::kNumDirecciones; ++k) {
            if (perfiles.direccion(k) == item) {
                r.Destinatarios[i] = static_cast<quint8>(k);
                r.PorEmail = true;
            }
        }
    }
    return true;
}

void TVEdicionAvisos::SelectorRepetirChange(int index) {
    const bool show = index == 2;
    if (show == m_diasVisibles) return;
    const int d = m_dias->height() + 3;
    m_diasVisibles = show;
    m_labelDiasSemana->setVisible(show);
    m_dias->setVisible(show);
    // Make room for the list around the dialog's centre.
    QRect g = geometry();
    if (show)
        g.adjust(0, -(d / 2), 0, d - d / 2);
    else
        g.adjust(0, d / 2, 0, -(d - d / 2));
    if (isVisible()) setGeometry(g);
    m_panelEdicion->parentWidget()->setMinimumHeight(m_panelEdicion->parentWidget()->minimumHeight() +
                                                     (show ? d : -d));
}

void TVEdicionAvisos::SelectorHoraChange() {
    const QTime t = m_hora->time();
    if (t.second() != 0 || t.msec() != 0) m_hora->setTime(QTime(t.hour(), t.minute()));
}

void TVEdicionAvisos::MensajeCaducidadClick() {
    const bool on = m_caduca->isChecked();
    m_fechaUlt->setEnabled(on);
    m_borrar->setEnabled(on);
    m_borrar->setChecked(false);
}

void TVEdicionAvisos::elegirSonido() {
    const QString path = chooseSoundFile(this, m_sonido);
    if (path.isEmpty()) return;
    // The record holds the path in Windows-1252: a folder named in another
    // script would be stored as '?' and the sound would never play.
    if (const QString refused = EntradaCp1252::comprobar(path); !refused.isEmpty()) {
        MessageBoxes::warning(this, refused + QStringLiteral("\n") + QDir::toNativeSeparators(path));
        return;
    }
    setSonido(path);
}

void TVEdicionAvisos::probarSonido() {
    if (!m_sonido.isEmpty() && !SonidoReproducible(m_sonido))
        MessageBoxes::warning(this, LeerTexto(20205).arg(QDir::toNativeSeparators(m_sonido)));
    ReproducirSonidoAviso(m_sonido); // the built-in sound when the file cannot be played
}

void TVEdicionAvisos::mover(QListWidget* from, QListWidget* to, bool all) {
    if (all) {
        while (from->count() > 0)
            to->addItem(from->takeItem(0));
        return;
    }
    const int row = from->currentRow();
    if (row < 0 || !from->currentItem() || !from->currentItem()->isSelected()) return;
    to->addItem(from->takeItem(row));
}

bool TVEdicionAvisos::panelDestinatariosVisible() const {
    return !m_panelDestinatarios->isHidden() && m_panelDestinatarios->x() == 0;
}

void TVEdicionAvisos::deslizarDestinatarios(bool entrar) {
    QWidget* incoming = entrar ? m_panelDestinatarios : m_panelEdicion;
    QWidget* outgoing = entrar ? m_panelEdicion : m_panelDestinatarios;
    const int w = incoming->parentWidget()->width();
    incoming->resize(incoming->parentWidget()->size());
    incoming->move(-w, 0);
    incoming->show();
    outgoing->show();
    while (incoming->x() < 0) {
        incoming->move(std::min(0, incoming->x() + 80), 0);
        outgoing->move(outgoing->x() + 80, 0);
        incoming->parentWidget()->repaint();
        if (slideStepMs > 0) QThread::msleep(static_cast<unsigned long>(slideStepMs));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    outgoing->hide();
    outgoing->move(0, 0);
}
