#pragma once
// Alert sounds: a built-in wave resource or a wave file, played without
// waiting. A new sound replaces the one playing. A missing file or no audio
// device plays nothing; nothing ever blocks.
#include <QString>

// fromResource: `name` is "WAV_CLASSIC", "WAV_DOGGY" or "WAV_BABE"; false for an
// unknown resource. Otherwise `name` is a wave file's path (not checked here).
bool ReproducirSonido(bool fromResource, const QString& name);

// The built-in sound of the alert style set now (MsgWindowFmt): 1 "WAV_CLASSIC",
// 2 "WAV_DOGGY", 3 "WAV_BABE", anything else none (empty).
QString SonidoIncorporado();
// Plays the built-in sound of the current style; false when the style has none.
bool ReproducirSonidoIncorporado();
// An alert's sound: its own file when it has one, else the built-in rule.
void ReproducirSonidoAviso(const QString& soundFile);

namespace SonidoTest {
// Tests: the calls made, as "res:NAME" or "file:PATH", instead of playing.
void record(bool on);
QStringList& calls();
} // namespace SonidoTest
