#include "qv/prefs/PaginaCalendario.h"

#include "caldav/CalDavClient.h"
#include "core/TextCatalogue.h"
#include "sync/CalendarLinks.h"
#include "sync/CalendarPasswords.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

PaginaCalendario::PaginaCalendario(const QString& remindersFile, QWidget* parent)
    : QWidget(parent), m_archivo(remindersFile) {
    setObjectName("PaginaCalendario");
    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        connect(e, &QLineEdit::textEdited, this, [this] { m_cambiado = true; });
        return e;
    };
    m_servidor = edit("EditServidorCalendario");
    m_servidor->setPlaceholderText(QStringLiteral("https://cloud.example.org/"));
    m_usuario = edit("EditUsuarioCalendario");
    m_passwd = edit("EditPasswdCalendario");
    m_passwd->setEchoMode(QLineEdit::Password);
    m_certificados = edit("EditCertificadosCalendario");
    m_elegirCertificados = new QPushButton(LeerTexto(20012), this);
    m_elegirCertificados->setObjectName("BotonCertificadosCalendario");
    m_buscar = new QPushButton(LeerTexto(20606), this);
    m_buscar->setObjectName("BotonBuscarCalendarios");
    m_calendarios = new QComboBox(this);
    m_calendarios->setObjectName("ComboCalendarios");
    m_minutos = new QSpinBox(this);
    m_minutos->setObjectName("SpinMinutosCalendario");
    m_minutos->setRange(0, 720);
    m_dondePasswd = new QLabel(this);
    m_dondePasswd->setObjectName("LabelDondePasswdCalendario");
    m_dondePasswd->setWordWrap(true);
    m_estado = new QLabel(this);
    m_estado->setObjectName("LabelEstadoCalendario");
    m_estado->setWordWrap(true);

    auto* certificados = new QHBoxLayout;
    certificados->addWidget(m_certificados, 1);
    certificados->addWidget(m_elegirCertificados);
    auto* form = new QFormLayout;
    auto label = [this](int text, QWidget* buddy) {
        auto* l = new QLabel(LeerTexto(text), this);
        l->setBuddy(buddy);
        return l;
    };
    form->addRow(label(20601, m_servidor), m_servidor);
    form->addRow(label(20602, m_usuario), m_usuario);
    form->addRow(label(20603, m_passwd), m_passwd);
    form->addRow(label(20604, m_certificados), certificados);
    form->addRow(QString(), m_buscar);
    form->addRow(label(20605, m_calendarios), m_calendarios);
    form->addRow(label(20607, m_minutos), m_minutos);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_dondePasswd);
    layout->addWidget(m_estado);
    layout->addStretch();

    connect(m_elegirCertificados, &QPushButton::clicked, this, [this] {
        const QString actual = m_certificados->text().trimmed();
        const QString archivo = QFileDialog::getOpenFileName(
            this, LeerTexto(20013), actual.isEmpty() ? QString() : QFileInfo(actual).absolutePath(),
            LeerTexto(20014));
        if (!archivo.isEmpty()) {
            m_certificados->setText(archivo);
            m_cambiado = true;
        }
    });
    connect(m_buscar, &QPushButton::clicked, this, &PaginaCalendario::buscarCalendarios);

    // Without a reminders file there is no account to edit.
    const bool conArchivo = !m_archivo.isEmpty();
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_servidor, m_usuario, m_passwd, m_certificados,
                                         m_elegirCertificados, m_buscar, m_calendarios, m_minutos})
        w->setEnabled(conArchivo);
    if (!conArchivo) {
        m_estado->setText(LeerTexto(20612));
        return;
    }
    CalendarLinks cuenta;
    cuenta.load(m_archivo);
    m_servidor->setText(cuenta.server.toString());
    m_usuario->setText(cuenta.user);
    m_certificados->setText(cuenta.caFile);
    m_minutos->setValue(cuenta.minutes);
    if (cuenta.calendar.isValid() && !cuenta.calendar.isEmpty())
        m_calendarios->addItem(cuenta.calendar.toDisplayString(), cuenta.calendar);
    SecretStore secretos = CalendarPasswords::store();
    if (!cuenta.server.isEmpty())
        m_passwd->setText(
            secretos.read(CalendarPasswords::key(cuenta.server.toString(), cuenta.user)).value_or(QString()));
    m_dondePasswd->setText(LeerTexto(secretos.keyringAvailable() ? 20610 : 20611));
}

PaginaCalendario::~PaginaCalendario() {
    if (m_busqueda) { // ends within the requests' time-out
        disconnect(m_busqueda, nullptr, this, nullptr);
        m_busqueda->wait();
        delete m_busqueda;
    }
}

void PaginaCalendario::buscarCalendarios() {
    if (m_busqueda) return;
    const CalDav::Account cuenta{QUrl::fromUserInput(m_servidor->text().trimmed()), m_usuario->text(),
                                 m_passwd->text(), m_certificados->text().trimmed(), 15000};
    auto encontrados = std::make_shared<QList<CalDav::CalendarInfo>>();
    auto fallo = std::make_shared<QString>();
    m_buscar->setEnabled(false);
    m_estado->setText(LeerTexto(20613));
    m_busqueda = QThread::create([cuenta, encontrados, fallo] {
        CalDav::Client client(cuenta);
        if (!client.discover(*encontrados)) *fallo = client.lastError().text;
    });
    connect(m_busqueda, &QThread::finished, this, [this, encontrados, fallo] {
        m_busqueda->deleteLater();
        m_busqueda = nullptr;
        m_buscar->setEnabled(true);
        const QUrl antes = m_calendarios->currentData().toUrl();
        m_calendarios->clear();
        for (const CalDav::CalendarInfo& c : *encontrados)
            m_calendarios->addItem(c.displayName, c.url);
        const int i = m_calendarios->findData(antes);
        if (i >= 0) m_calendarios->setCurrentIndex(i);
        m_estado->setText(fallo->isEmpty() ? QString() : LeerTexto(20614).arg(*fallo));
        m_cambiado = true;
        emit busquedaTerminada();
    });
    m_busqueda->start();
}

bool PaginaCalendario::guardar(QString* error) {
    if (m_archivo.isEmpty()) return true;
    CalendarLinks cuenta;
    cuenta.load(m_archivo); // a damaged file starts afresh
    const QUrl servidor =
        m_servidor->text().trimmed().isEmpty() ? QUrl() : QUrl::fromUserInput(m_servidor->text().trimmed());
    const QUrl calendario = m_calendarios->currentData().toUrl();
    if (!m_cambiado && cuenta.minutes == m_minutos->value()) return true;
    cuenta.server = servidor;
    cuenta.user = m_usuario->text();
    cuenta.caFile = m_certificados->text().trimmed();
    cuenta.minutes = m_minutos->value();
    cuenta.calendar = servidor.isEmpty() ? QUrl() : calendario;
    if (!cuenta.save(error)) return false;
    if (servidor.isEmpty()) return true;
    SecretStore secretos = CalendarPasswords::store();
    return secretos.write(CalendarPasswords::key(servidor.toString(), cuenta.user), m_passwd->text(), error);
}
