// The skin: pictures from the picture bundle, cues from the sound bundle, both beside the launcher.
#include "core/SkinNames.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "platform/ResourceBundle.h"
#include "platform/SoundPlayer.h"

namespace {

QString text(std::string_view name) {
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

} // namespace

void TMainForm::LoadResourceLibraries() {
    // A missing bundle is noticed at its first read, which names the picture it lacks.
    ResourceLibrary1 = ResourceBundle::open(ProgramPath(text(PictureBundleFile)));
    ResourceLibrary2 = ResourceBundle::open(ProgramPath(text(SoundBundleFile)));
}

void TMainForm::ReleaseResourceLibraries() {
    // The voice stops before the data it plays from goes.
    if (m_deps.sounds)
        m_deps.sounds->stop();
    ResourceLibrary1.release();
    ResourceLibrary2.release();
}

std::optional<QString> TMainForm::LoadSkin() {
    for (const SkinPicture &entry : StartupPictures) {
        auto *target = findChild<PictureControl *>(text(entry.Component));
        Q_ASSERT(target);
        if (std::optional<QString> error = LoadPicture(target, entry.Resource))
            return error;
    }
    // A cue the bundle lacks stays silent; nothing is reported.
    if (m_deps.sounds) {
        QStringList cues;
        for (const SoundCue &cue : SoundCues)
            cues << text(cue.Resource);
        m_deps.sounds->prepare(ResourceLibrary2, cues);
    }
    return std::nullopt;
}

std::optional<QString> TMainForm::LoadPicture(PictureControl *target, QByteArrayView resource) {
    const ResourceBundle::Lookup found = ResourceLibrary1.find(QString::fromLatin1(resource));
    if (!found.found())
        return found.Error;
    if (!target->setPictureData(QByteArray(found.Data.data(), found.Data.size())))
        return QStringLiteral("resource is not a picture: %1").arg(QString::fromLatin1(resource));
    return std::nullopt;
}

void TMainForm::PlayCue(std::size_t cue) {
    if (SoundsOn && m_deps.sounds)
        m_deps.sounds->play(text(SoundCues[cue].Resource));
}

void TMainForm::PlayClick() {
    PlayCue(0);
}

void TMainForm::PlayBack() {
    PlayCue(1);
}

void TMainForm::PlayExit() {
    PlayCue(2);
}

void TMainForm::PlayMessage() {
    PlayCue(3);
}

void TMainForm::PlayWhisper() {
    PlayCue(4);
}

void TMainForm::PlayError() {
    PlayCue(5);
}

void TMainForm::PlayStore() {
    PlayCue(6);
}
