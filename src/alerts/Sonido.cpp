// Alert sounds through Qt Multimedia, and the built-in sound rule.
#include "alerts/Sonido.h"

#include "settings/Ajustes.h"

#include <QCoreApplication>
#include <QFile>
#include <QSoundEffect>

#include <stdexcept>

namespace {

// One effect for the whole program, so a new sound replaces the playing one.
class QtSoundOutput final : public SoundOutput {
public:
    void play(const QUrl& source) override {
        if (!m_effect) {
            m_effect = new QSoundEffect(QCoreApplication::instance());
        }
        m_effect->stop();
        m_effect->setSource(source);
        m_effect->play();
    }

private:
    QSoundEffect* m_effect = nullptr;
};

QtSoundOutput g_qtOutput;
SoundOutput* g_output = nullptr;

} // namespace

SoundOutput& SoundOutput::current() { return g_output ? *g_output : g_qtOutput; }

void SoundOutput::install(SoundOutput* output) { g_output = output; }

QString RecursoSonido(const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};
    const QString path = QStringLiteral(":/orb_alerts/") + name + QStringLiteral(".wav");
    return QFile::exists(path) ? path : QString();
}

bool ReproducirSonido(bool fromResource, const QString& name) {
    if (fromResource) {
        const QString path = RecursoSonido(name);
        if (path.isEmpty()) return false;
        SoundOutput::current().play(QUrl(QStringLiteral("qrc") + path));
        return true;
    }
    SoundOutput::current().play(QUrl::fromLocalFile(name));
    return true;
}

QString SonidoIncorporado(int msgWindowFmt) {
    switch (msgWindowFmt) {
    case 1: return QStringLiteral("WAV_CLASSIC");
    case 2: return QStringLiteral("WAV_DOGGY");
    case 3: return QStringLiteral("WAV_BABE");
    default: return {};
    }
}

bool SonidoReproducible(const QString& file) {
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

void ReproducirSonidoAviso(const QString& soundFile) {
    // A file gone or damaged since it was chosen: the alert still sounds.
    if (SonidoReproducible(soundFile)) {
        ReproducirSonido(false, soundFile);
        return;
    }
    int style = 0;
    try {
        style = Ajustes::msgWindowFmt();
    } catch (const std::exception&) {
        return;
    }
    const QString name = SonidoIncorporado(style);
    if (!name.isEmpty()) ReproducirSonido(true, name);
}
