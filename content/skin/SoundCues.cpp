#include "SoundCues.h"

#include "SkinCanvas.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace skin {

namespace {

using Samples = std::vector<double>;
constexpr double Tau = 2 * std::numbers::pi;

Samples silence(double seconds) {
    return Samples(static_cast<std::size_t>(seconds * CueSampleRate), 0.0);
}

double timeOf(std::size_t i) {
    return static_cast<double>(i) / CueSampleRate;
}

// A struck tone: a partial series that dies away exponentially, with a soft 4 ms attack.
void bell(Samples &out, double start, double frequency, double amplitude, double decay,
          std::initializer_list<std::pair<double, double>> partials = {{1, 1}}) {
    const auto first = static_cast<std::size_t>(start * CueSampleRate);
    for (std::size_t i = first; i < out.size(); ++i) {
        const double t = timeOf(i - first);
        const double attack = std::min(1.0, t / 0.004);
        double v = 0;
        for (const auto &[ratio, gain] : partials)
            v += gain * std::sin(Tau * frequency * ratio * t) * std::exp(-t / (decay / ratio));
        out[i] += amplitude * attack * v;
    }
}

// Noise through a one-pole low-pass: the "tick" of a click or the breath of a whisper.
void noise(Samples &out, double start, double length, double amplitude, double smoothing,
           std::uint32_t seed) {
    Random rng(seed);
    const auto first = static_cast<std::size_t>(start * CueSampleRate);
    const auto last = std::min(out.size(), first + static_cast<std::size_t>(length * CueSampleRate));
    double state = 0;
    for (std::size_t i = first; i < last; ++i) {
        const double t = timeOf(i - first) / length;
        state += (rng.uniform(-1, 1) - state) * smoothing;
        out[i] += amplitude * state * std::sin(std::numbers::pi * t);
    }
}

Samples click() {
    Samples s = silence(0.07);
    bell(s, 0, 1900, 0.6, 0.012, {{1, 1}, {2, 0.3}});
    noise(s, 0, 0.004, 0.5, 0.5, 1);
    return s;
}

Samples backClick() {
    Samples s = silence(0.09);
    const auto n = s.size();
    double phase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = timeOf(i);
        phase += Tau * (1100 - 1500 * t) / CueSampleRate;
        s[i] = 0.38 * std::min(1.0, t / 0.003) * std::exp(-t / 0.02) *
               (std::sin(phase) + 0.2 * std::sin(2 * phase));
    }
    noise(s, 0, 0.003, 0.2, 0.3, 2);
    return s;
}

Samples exitCue() {
    Samples s = silence(0.33);
    bell(s, 0.0, 784, 0.45, 0.09, {{1, 1}, {2, 0.25}, {3, 0.08}});
    bell(s, 0.085, 659, 0.45, 0.09, {{1, 1}, {2, 0.25}, {3, 0.08}});
    bell(s, 0.17, 523, 0.5, 0.1, {{1, 1}, {2, 0.25}, {3, 0.08}});
    return s;
}

Samples message() {
    Samples s = silence(0.36);
    bell(s, 0.0, 1319, 0.45, 0.14, {{1, 1}, {2.76, 0.2}, {5.4, 0.07}});
    bell(s, 0.09, 1976, 0.4, 0.16, {{1, 1}, {2.76, 0.18}, {5.4, 0.06}});
    return s;
}

Samples whisper() {
    Samples s = silence(0.34);
    const auto n = s.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double t = timeOf(i);
        auto tone = [&](double begin, double frequency) {
            if (t < begin)
                return 0.0;
            const double u = t - begin;
            return std::min(1.0, u / 0.025) * std::exp(-u / 0.11) * std::sin(Tau * frequency * u) *
                   (1 + 0.15 * std::sin(Tau * 18 * u));
        };
        s[i] = 0.32 * (tone(0, 880) + tone(0.13, 1175));
    }
    noise(s, 0, 0.3, 0.05, 0.08, 3);
    return s;
}

Samples error() {
    Samples s = silence(0.3);
    auto buzz = [&](double begin, double length, double frequency) {
        const auto first = static_cast<std::size_t>(begin * CueSampleRate);
        const auto count = static_cast<std::size_t>(length * CueSampleRate);
        for (std::size_t i = 0; i < count && first + i < s.size(); ++i) {
            const double t = timeOf(i);
            const double envelope = std::min({1.0, t / 0.006, (length - t) / 0.02});
            double v = 0;
            for (int h = 1; h <= 9; h += 2)
                v += std::sin(Tau * frequency * h * t) / h;
            s[first + i] += 0.42 * envelope * v;
        }
    };
    buzz(0.0, 0.11, 165);
    buzz(0.15, 0.13, 139);
    return s;
}

Samples store() {
    Samples s = silence(0.38);
    const double notes[] = {1047, 1319, 1568, 2093};
    for (int k = 0; k < 4; ++k)
        bell(s, 0.05 * k, notes[k], 0.3, 0.09, {{1, 1}, {2, 0.3}, {4, 0.1}});
    Random rng(4);
    for (int k = 0; k < 10; ++k)
        bell(s, 0.12 + 0.02 * k, rng.uniform(3500, 6000), 0.05, 0.025);
    return s;
}

// Peak at -3 dBFS, a raised-cosine fade at both ends, exactly silent first and last samples.
std::vector<qint16> finish(Samples s) {
    const double peak = std::max(1e-9, std::abs(*std::max_element(s.begin(), s.end(), [](double a, double b) {
                                     return std::abs(a) < std::abs(b);
                                 })));
    const auto fadeIn = static_cast<std::size_t>(0.003 * CueSampleRate);
    const auto fadeOut = static_cast<std::size_t>(0.015 * CueSampleRate);
    std::vector<qint16> pcm(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        double gain = 0.707 / peak;
        if (i < fadeIn)
            gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / fadeIn);
        const std::size_t fromEnd = s.size() - 1 - i;
        if (fromEnd < fadeOut)
            gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(fromEnd) / fadeOut);
        pcm[i] = static_cast<qint16>(std::lround(std::clamp(s[i] * gain, -1.0, 1.0) * 32767));
    }
    return pcm;
}

void put32(QByteArray &out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void put16(QByteArray &out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

QByteArray wave(const std::vector<qint16> &pcm) {
    const auto dataBytes = static_cast<quint32>(pcm.size() * 2);
    QByteArray out;
    out.append("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.append("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, CueSampleRate);
    put32(out, CueSampleRate * 2);
    put16(out, 2);
    put16(out, 16);
    out.append("data", 4);
    put32(out, dataBytes);
    for (qint16 v : pcm)
        put16(out, static_cast<quint16>(v));
    return out;
}

} // namespace

QByteArray cueWave(const QString &name) {
    static const std::vector<std::pair<QString, std::function<Samples()>>> cues{
        {QStringLiteral("SndBtnClick"), click},
        {QStringLiteral("SndBtnClickBack"), backClick},
        {QStringLiteral("SndBtnClickExit"), exitCue},
        {QStringLiteral("SndMessage"), message},
        {QStringLiteral("SndMessageWhisper"), whisper},
        {QStringLiteral("SndError"), error},
        {QStringLiteral("SndStore"), store},
    };
    for (const auto &[cueName, synthesise] : cues)
        if (cueName == name)
            return wave(finish(synthesise()));
    return {};
}

} // namespace skin
