#include "qv/alerts/Sonido.h"

#include "settings/Ajustes.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QSoundEffect>
#include <QStringList>
#include <QUrl>

namespace {
bool g_record = false;
QPointer<QSoundEffect> g_effect;

void play(const QUrl& url) {
    if (g_effect) {
        g_effect->stop();
        g_effect->deleteLater();
    }
    g_effect = new QSoundEffect(QCoreApplication::instance());
    g_effect->setSource(url); // loads asynchronously; play() waits for the load
    g_effect->play();
}
} // namespace

bool ReproducirSonido(bool fromResource, const QString& name) {
    if (fromResource) {
        const QString path = QStringLiteral(":/alerts/") + name + QStringLiteral(".wav");
        if (!QFile::exists(path)) return false;
        if (g_record) SonidoTest::calls() << QStringLiteral("res:") + name;
        else play(QUrl(QStringLiteral("qrc") + path));
        return true;
    }
    if (g_record) SonidoTest::calls() << QStringLiteral("file:") + name;
    else play(QUrl::fromLocalFile(name));
    return true;
}

QString SonidoIncorporado() {
    switch (Ajustes::msgWindowFmt()) {
    case 1: return QStringLiteral("WAV_CLASSIC");
    case 2: return QStringLiteral("WAV_DOGGY");
    case 3: return QStringLiteral("WAV_BABE");
    default: return {};
    }
}

bool ReproducirSonidoIncorporado() {
    const QString name = SonidoIncorporado();
    return !name.isEmpty() && ReproducirSonido(true, name);
}

void ReproducirSonidoAviso(const QString& soundFile) {
    if (!soundFile.isEmpty()) ReproducirSonido(false, soundFile);
    else ReproducirSonidoIncorporado();
}

namespace SonidoTest {
void record(bool on) { g_record = on; }
QStringList& calls() {
    static QStringList c;
    return c;
}
} // namespace SonidoTest
