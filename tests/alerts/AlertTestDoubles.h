#pragma once
// Recording stand-ins for the sound output and the main window.
#include "alerts/AlertHost.h"
#include "alerts/Sonido.h"

#include <QList>
#include <QUrl>

struct RecordingSound : SoundOutput {
    QList<QUrl> played;
    void play(const QUrl& source) override { played.append(source); }
};

struct RecordingHost : AlertHost {
    int minimised = 0;
    int restored = 0;
    QList<bool> flag;
    void minimizarAplicacion() override { ++minimised; }
    void restaurarAplicacion() override { ++restored; }
    void mostrarFlagAviso(bool visible) override { flag.append(visible); }
};
