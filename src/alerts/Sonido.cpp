// Alert sounds, and the built-in sound rule. The Qt Multimedia output lives
// in the sound module (SalidaSonidoQt.cpp), loaded when the first sound plays.
#include "alerts/Sonido.h"

#include "settings/Ajustes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>

#include <cstdio>
#include <stdexcept>

namespace {

// Loads the sound module on the first sound: beside the program (a program
// folder, the build tree) or where the installed program keeps it. Without it every sound is silence, said
// once.
class ModuleSoundOutput final : public SoundOutput {
public:
    void play(const QUrl& source) override {
        if (!m_loaded) {
            m_loaded = true;
            m_output = load();
        }
        if (m_output) m_output->play(source);
    }

private:
    static SoundOutput* load() {
        const QString name = QStringLiteral(ORB_SOUND_MODULE);
        const QString bin = QCoreApplication::applicationDirPath();
        QStringList tried;
        for (const QString& dir : {bin, QDir(bin).filePath(QStringLiteral(ORB_SOUND_MODULE_FROM_BIN))}) {
            QLibrary module(QDir(dir).filePath(name));
            using Factory = SoundOutput* (*)();
            if (auto make = reinterpret_cast<Factory>(module.resolve("orb_salida_sonido"))) return make();
            tried << module.errorString();
        }
        fprintf(stderr, "Orbalinder: no sound: %s\n", qPrintable(tried.join(QStringLiteral("; "))));
        return nullptr;
    }

    bool m_loaded = false;
    SoundOutput* m_output = nullptr;
};

ModuleSoundOutput g_moduleOutput;
SoundOutput* g_output = nullptr;

} // namespace

SoundOutput& SoundOutput::current() {
    return g_output ? *g_output : g_moduleOutput;
}

void SoundOutput::install(SoundOutput* output) {
    g_output = output;
}

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
    case 1:
        return QStringLiteral("WAV_CLASSIC");
    case 2:
        return QStringLiteral("WAV_DOGGY");
    case 3:
        return QStringLiteral("WAV_BABE");
    default:
        return {};
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
