#pragma once

#include <QByteArray>
#include <QString>

// The seven cues, synthesised: short, distinct, faded in and out so they start and end silent.
namespace skin {

inline constexpr int CueSampleRate = 44100;

// A complete WAV file (16-bit PCM, mono, 44.1 kHz) of the named cue; empty for an unknown name.
QByteArray cueWave(const QString &name);

} // namespace skin
