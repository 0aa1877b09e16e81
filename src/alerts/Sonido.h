#pragma once
// Alert sounds: a built-in wave resource or a wave file, played without waiting.
// A new sound replaces the one playing; a missing file or no audio device is silence.
#include <QString>
#include <QUrl>

// Where sounds go. The program uses the Qt Multimedia output of the sound
// module, loaded when the first sound plays; tests install a recorder.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts `source` at once, stopping whatever plays; never blocks.
    virtual void play(const QUrl& source) = 0;

    static SoundOutput& current();
    // Installs `output` (not owned); nullptr restores the sound module's output.
    static void install(SoundOutput* output);
};

// The built-in resource's path for a resource name ("WAV_CLASSIC"), empty when none exists.
QString RecursoSonido(const QString& name);

// `fromResource`: `name` is a built-in resource name; false means when it does not exist.
// Otherwise `name` is a wave file, handed over unchecked; the result is then always true.
bool ReproducirSonido(bool fromResource, const QString& name);

// The built-in sound of an alert style: 1 "WAV_CLASSIC", 2 "WAV_DOGGY", 3 "WAV_BABE",
// anything else none (empty).
QString SonidoIncorporado(int msgWindowFmt);

// Whether `file` can be played: it exists, can be read and holds a WAV sound.
bool SonidoReproducible(const QString& file);

// An alert's sound: its own file when given and playable, otherwise the
// built-in sound of the style setting read now (an unreadable setting plays nothing).
void ReproducirSonidoAviso(const QString& soundFile);
