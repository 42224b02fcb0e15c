#pragma once

#include "core/WaveImage.h"

#include <QAudioFormat>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <vector>

class QAudioSink;
class QBuffer;
class ResourceBundle;

// One voice for the launcher's sound cues. The cues are resolved once from the sound bundle
// and played straight from its mapped bytes: a cue started while another sounds cuts that one
// off. Without a sound server (or any audio output) cues play silently; nothing waits or fails.
class SoundPlayer : public QObject {
    Q_OBJECT

public:
    explicit SoundPlayer(QObject *parent = nullptr);
    ~SoundPlayer() override;

    // Resolves the named cues in `bundle`; the bytes are not copied, so stop the player before
    // the bundle is released. Returns the names that are missing or not a playable WAV, each with
    // the reason; such a cue plays nothing. Preparing again replaces the earlier cues.
    QStringList prepare(const ResourceBundle &bundle, const QStringList &names);

    // Starts the cue, stopping the one still sounding. A cue that was not prepared only stops.
    void play(const QString &name);
    void stop();

    // The cue last started (empty after a request for a cue that is missing), the cue sounding
    // now (empty when quiet), and how many cues were started.
    QString lastPlayed() const { return LastPlayed; }
    QString playing() const { return Playing; }
    int playCount() const { return PlayCount; }
    // False when no audio output exists: cues are then played silently.
    bool hasOutput() const;

Q_SIGNALS:
    void started(const QString &name);
    // The cue ran to its end, or was cut off by stop() or by the next cue.
    void finished(const QString &name);
    void interrupted(const QString &name);

private:
    struct Cue {
        QString Name;
        QAudioFormat Format;
        WaveImage Wave;
    };

    const Cue *cue(const QString &name) const;
    void endCurrent(bool interruptedByCaller);

    std::vector<Cue> Cues;
    std::unique_ptr<QBuffer> Source; // declared before Sink: the sink reads it until it goes
    std::unique_ptr<QAudioSink> Sink;
    QByteArray SinkDevice;
    QTimer Clock; // marks the end of the cue whether or not an output plays it
    QString LastPlayed;
    QString Playing;
    int PlayCount = 0;
};
