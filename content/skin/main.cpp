// Draws every picture the launcher asks its skin bundle for and synthesises the sound cues,
// then writes the resource lists that rcc packs into Quillbarrow01.dll and Quillbarrow02.dll.

#include "ContactSheet.h"
#include "CoverArt.h"
#include "SkinCanvas.h"
#include "SkinControls.h"
#include "SkinSurfaces.h"
#include "SoundCues.h"
#include "core/GameCatalogue.h"
#include "core/SkinNames.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <cstdio>
#include <functional>
#include <set>

namespace {

using Painter = std::function<QImage()>;
using Job = std::pair<QString, Painter>;

QString latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QList<Job> pictureJobs() {
    using namespace skin;
    namespace c = palette;
    QList<Job> jobs{
        {QStringLiteral("BtnHome"), [] { return menuButton(QStringLiteral("HOME"), Icon::Home); }},
        {QStringLiteral("BtnMyGames"), [] { return menuButton(QStringLiteral("MY GAMES"), Icon::Games); }},
        {QStringLiteral("BtnShop"), [] { return menuButton(QStringLiteral("SHOP"), Icon::Shop); }},
        {QStringLiteral("BtnNews"), [] { return menuButton(QStringLiteral("NEWS"), Icon::News); }},
        {QStringLiteral("BtnSocial"), [] { return menuButton(QStringLiteral("SOCIAL"), Icon::Social); }},
        {QStringLiteral("ButtonPlay"),
         [] { return actionButton(QStringLiteral("PLAY"), Icon::Play, c::Green, c::GreenDeep); }},
        {QStringLiteral("ButtonUpdate"),
         [] { return actionButton(QStringLiteral("UPDATE"), Icon::Refresh, c::Amber, c::AmberDeep); }},
        {QStringLiteral("ButtonInstall"),
         [] { return actionButton(QStringLiteral("INSTALL"), Icon::Download, c::Cyan, c::CyanDeep); }},
        {QStringLiteral("ButtonDelete"),
         [] { return actionButton(QStringLiteral("DELETE"), Icon::Trash, c::Red, c::RedDeep); }},
        {QStringLiteral("ButtonCancel"),
         [] {
             return actionButton(QStringLiteral("CANCEL"), Icon::Cross, QColor(0x5a, 0x6a, 0x8a),
                                 QColor(0x26, 0x30, 0x48));
         }},
        {QStringLiteral("BtnBack"), backButton},
        {QStringLiteral("BtnSettings"), [] { return windowButton(Icon::Gear, false); }},
        {QStringLiteral("BtnMinimize"), [] { return windowButton(Icon::Minus, false); }},
        {QStringLiteral("BtnClose"), [] { return windowButton(Icon::Cross, true); }},
        {QStringLiteral("BtnLogOut"), logOutButton},
        {QStringLiteral("BtnClear"), clearButton},
        {QStringLiteral("PassShow"), [] { return eyeButton(true); }},
        {QStringLiteral("PassHide"), [] { return eyeButton(false); }},
        {QStringLiteral("ArrowUp"), [] { return arrowButton(true); }},
        {QStringLiteral("ArrowDown"), [] { return arrowButton(false); }},
        {QStringLiteral("WebQuillbarrow"), webBadge},
        {QStringLiteral("LogInBckg"), loginBackground},
        {QStringLiteral("UIBckg3"), mainBackground},
        {QStringLiteral("UIBckg1"), sidePanel},
        {QStringLiteral("UIBckg2"), statusBar},
        {QStringLiteral("UIBckg4"), dialogBackground},
        {QStringLiteral("ChatBck"), chatBackground},
        {QStringLiteral("BckgBlue"), loginFrame},
        {QStringLiteral("BckgBlueFrame"), [] { return cardRow(c::Cyan); }},
        {QStringLiteral("BckgOrangeFrame"), [] { return cardRow(c::Amber); }},
        {QStringLiteral("Paper"), paper},
        {QStringLiteral("Scroll"), emptySlot},
    };
    for (int i = 0; i < static_cast<int>(GameCount); ++i)
        jobs.append(
            {latin(GameCatalogue().at(static_cast<std::size_t>(i)).ImageName), [i] { return cover(i); }});
    for (int n = 1; n <= newsBannerCount(); ++n)
        jobs.append({latin(NewsPicturePrefix) + QString::number(n), [n] { return newsBanner(n); }});
    return jobs;
}

// Every name the launcher reads must be drawn; a name without a painter stops the build.
bool coversEveryName(const QList<Job> &jobs) {
    std::set<QString> drawn;
    for (const auto &job : jobs)
        drawn.insert(job.first);
    QStringList wanted;
    for (const auto &picture : StartupPictures)
        wanted << latin(picture.Resource);
    for (const auto name : LaterPictures)
        wanted << latin(name);
    for (const auto &game : GameCatalogue())
        wanted << latin(game.ImageName);
    for (int n = 1; n <= ShippedNewsPictures; ++n)
        wanted << latin(NewsPicturePrefix) + QString::number(n);
    bool ok = true;
    for (const QString &name : wanted) {
        if (!drawn.contains(name)) {
            std::fprintf(stderr, "skin: no picture is drawn for \"%s\"\n", qPrintable(name));
            ok = false;
        }
    }
    return ok;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "skin: cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

QByteArray resourceList(const QString &folder, const QStringList &names, const QString &extension) {
    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const QString &name : names)
        qrc += QStringLiteral("  <file alias=\"%1\">%2/%1.%3</file>\n").arg(name, folder, extension).toUtf8();
    qrc += "</qresource>\n</RCC>\n";
    return qrc;
}

// The application icon for the desktop's icon theme: the emblem at each usual size, in
// FOLDER/SIZExSIZE/apps/quillbarrow.png.
bool writeIcons(const QDir &folder) {
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage image = skin::newImage(size, size);
        {
            QPainter p(&image);
            p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            skin::drawEmblem(p, QRectF(0, 0, size, size));
        }
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        if (!folder.mkpath(sub) ||
            !image.save(folder.filePath(sub + QStringLiteral("/quillbarrow.png")), "PNG")) {
            std::fprintf(stderr, "skin: cannot write the %d pixel icon into %s\n", size,
                         qPrintable(folder.path()));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws the Quillbarrow skin and its sound cues."));
    parser.addHelpOption();
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("Folder for the pictures, sounds and resource lists."),
                                       QStringLiteral("folder"));
    const QCommandLineOption sheetOption(QStringLiteral("sheet"),
                                         QStringLiteral("Also write a contact sheet of every picture."),
                                         QStringLiteral("file"));
    const QCommandLineOption onlyOption(QStringLiteral("only"),
                                        QStringLiteral("Draw only these pictures (for review)."),
                                        QStringLiteral("name,name"));
    parser.addOption(outOption);
    parser.addOption(sheetOption);
    const QCommandLineOption iconsOption(QStringLiteral("icons"),
                                         QStringLiteral("Write only the application icon, at every size."),
                                         QStringLiteral("folder"));
    parser.addOption(onlyOption);
    parser.addOption(iconsOption);
    parser.process(app);
    if (parser.isSet(iconsOption))
        return writeIcons(QDir(parser.value(iconsOption))) ? 0 : 1;
    if (!parser.isSet(outOption) && !parser.isSet(sheetOption)) {
        std::fprintf(stderr, "skin: give --out FOLDER and/or --sheet FILE\n");
        return 2;
    }
    if (!skin::loadFonts())
        return 1;

    const QList<Job> jobs = pictureJobs();
    if (!coversEveryName(jobs) || skin::newsBannerCount() < ShippedNewsPictures)
        return 1;

    const QStringList only = parser.value(onlyOption).split(u',', Qt::SkipEmptyParts);
    QList<std::pair<QString, QImage>> pictures;
    for (const auto &[name, paint] : jobs)
        if (only.isEmpty() || only.contains(name))
            pictures.append({name, paint()});

    if (parser.isSet(outOption)) {
        const QDir out(parser.value(outOption));
        if (!out.mkpath(QStringLiteral("pictures")) || !out.mkpath(QStringLiteral("sounds"))) {
            std::fprintf(stderr, "skin: cannot create %s\n", qPrintable(out.path()));
            return 1;
        }
        QStringList pictureNames;
        for (const auto &[name, image] : pictures) {
            const QString path = out.filePath(QStringLiteral("pictures/%1.png").arg(name));
            if (!image.save(path, "PNG")) {
                std::fprintf(stderr, "skin: cannot write %s\n", qPrintable(path));
                return 1;
            }
            pictureNames << name;
        }
        QStringList soundNames;
        for (const auto &cue : SoundCues) {
            const QString name = latin(cue.Resource);
            const QByteArray wave = skin::cueWave(name);
            if (wave.isEmpty()) {
                std::fprintf(stderr, "skin: no sound is made for \"%s\"\n", qPrintable(name));
                return 1;
            }
            if (!writeFile(out.filePath(QStringLiteral("sounds/%1.wav").arg(name)), wave))
                return 1;
            soundNames << name;
        }
        if (!writeFile(out.filePath(QStringLiteral("pictures.qrc")),
                       resourceList(QStringLiteral("pictures"), pictureNames, QStringLiteral("png"))) ||
            !writeFile(out.filePath(QStringLiteral("sounds.qrc")),
                       resourceList(QStringLiteral("sounds"), soundNames, QStringLiteral("wav"))))
            return 1;
    }
    if (parser.isSet(sheetOption)) {
        const QString path = parser.value(sheetOption);
        if (!skin::contactSheet(pictures).save(path, "PNG")) {
            std::fprintf(stderr, "skin: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
