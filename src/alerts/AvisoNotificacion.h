#pragma once
// The alert style "desktop notification": a due reminder shown by the
// desktop's notification service, with the snooze choices and "Dismiss" as
// its actions. It keeps the rules of the alert windows: the program plays
// its sound, an unattended one ends itself after `CloseMsgs` minutes and is
// logged, a snoozed one comes back with its sound, and it counts among the
// open alerts until it really ends.
#include "alerts/AvisosPospuestos.h"

#include <QObject>
#include <QString>

class QTimer;

class AvisoNotificacion : public QObject {
    Q_OBJECT
public:
    // Action keys: "snooze-" + a snooze choice's key, and this one.
    static const QString kDismiss;

    // `archivo`: the reminders file of the reminder (empty: the open one).
    AvisoNotificacion(quint16 index, const QString& caption, const QString& text, const QString& soundFile,
                      const QString& archivo = {});
    ~AvisoNotificacion() override;

    // Hands the notification to the service and plays the sound; false (and
    // `error`) when the service refused it. The object then deletes itself
    // when the alert ends.
    bool mostrar(QString* error = nullptr);

    // A snooze left by a previous run: waits until `hasta` (shown at once when
    // it passed); `uid` is its reminder's identity, which later snoozes keep.
    bool reanudar(const QDateTime& hasta, const QString& uid);

    // Snoozes until `back`, as the notification's snooze actions do.
    void posponerHasta(const QDateTime& back);
    // Ends it as closed by the user.
    void descartar();
    QString caption() const { return m_caption; }
    // Every notification alert that exists (shown or snoozed).
    static QList<AvisoNotificacion*> todos();

    bool snoozed() const { return m_snoozed; }
    uint notificationId() const { return m_id; }

private:
    void onAction(uint id, const QString& key);
    void onClosed(uint id, uint reason);
    void onTimer();
    void armarCierreAutomatico();
    void terminar(bool closedByUser);
    void pausar(const QDateTime& now, const QDateTime& hasta);
    void olvidarPausa();

    quint16 m_index;
    QString m_archivo;       // the reminders file of the reminder
    quint64 m_pospuesto = 0; // its entry among the snoozed alerts
    QString m_uid;           // its reminder's identity, once a snooze found it
    QString m_caption;
    QString m_text;
    QString m_soundFile;
    QTimer* m_timer = nullptr;
    uint m_id = 0;
    bool m_autoCloseArmed = false;
    bool m_snoozed = false;
    bool m_ended = false;
    bool m_counted = true;
};

// Whether the desktop notification style can be used now (a service that
// shows actions); `why` says what is missing otherwise.
bool NotificacionesDisponibles(QString* why = nullptr);

// Opens one alert as a desktop notification; false when the service is
// missing, shows no actions or refused it (`why`), and nothing was shown.
// `archivo`: the reminders file of the reminder (empty: the open one).
bool MostrarAvisoNotificacion(quint16 index, const QString& caption, const QString& text,
                              const QString& soundFile, QString* why = nullptr, const QString& archivo = {});

// Brings back a snoozed alert of a previous run as a notification; false
// when the service cannot show it (nothing was made).
bool ReanudarAvisoNotificacion(quint16 index, const AvisosPospuestos::Pospuesto& p);
