// Kills the launcher's window (SIGKILL) at random moments of an installation, an update, a removal
// and a table write, starts it again in the same folder and counts the runs that left a torn state:
// a game of two versions or without all its files, leftovers of Temp or the trash once the start-up
// clean-up is through, a table that does not read, or a message at the next start. Against the
// reference service on a loopback port; the window runs in a child process of its own.
//
//   KillBench [--runs N | --fixed] [--full-disk] [WORK_FOLDER]
//       N kills per scenario at random moments (default 50); --fixed: four kills per scenario at
//       fixed fractions of its run (what CI runs). --full-disk (as root): no kills, but the
//       launcher's folder on a tmpfs too small for the download, the unpacking, the tables.
//       KILLBENCH_ONLY=install|update|removal|tables in the environment: that scenario only.
#include "RunningService.h"
#include "core/SavedLoginTable.h"
#include "core/SettingsTable.h"
#include "gui/app/MainForm.h"
#include "platform/ZipExtractor.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <sys/mount.h>
#include <zip.h>

namespace {

constexpr qint16 Hexbound = 4;
constexpr int LevelFiles = 1500;
const QStringList Scenarios{QStringLiteral("install"), QStringLiteral("update"), QStringLiteral("removal"),
                            QStringLiteral("tables")};

int fail(const QString &what) {
    std::fprintf(stderr, "KillBench: %s\n", qPrintable(what));
    return 1;
}

// Every file of a version starts with its mark; version 2 adds files of its own.
QByteArray content(int version, int file) {
    return "v" + QByteArray::number(version) + " " + QByteArray::number(file) + "\n" +
           QByteArray(32 * 1024, 'x');
}

QStringList namesOf(int version) {
    QStringList names{QStringLiteral("Hexbound.exe")};
    for (int i = 0; i < LevelFiles * (version == 2 ? 2 : 1); ++i)
        names << QStringLiteral("Levels/%1.bin").arg(i);
    return names;
}

bool writeVersion(const QString &path, int version) {
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return false;
    const QStringList names = namesOf(version);
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray data = content(version, i);
        zip_source_t *source = zip_source_buffer_create(nullptr, 0, 0, nullptr);
        if (!source || zip_source_begin_write(source) != 0 ||
            zip_source_write(source, data.constData(), zip_uint64_t(data.size())) != data.size() ||
            zip_source_commit_write(source) != 0 ||
            zip_file_add(archive, names[i].toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

// 0: no game, 1 or 2: that version whole, -1: anything else.
int gameVersion(const QString &game) {
    if (!QFileInfo::exists(game))
        return 0;
    QStringList found;
    QDirIterator files(game, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        found << QDir(game).relativeFilePath(files.next());
    found.sort();
    for (int version : {1, 2}) {
        QStringList names = namesOf(version);
        names.sort();
        if (found != names)
            continue;
        const QStringList ordered = namesOf(version);
        bool whole = true;
        for (int i = 0; i < ordered.size() && whole; ++i) {
            QFile file(QDir(game).filePath(ordered[i]));
            whole = file.open(QIODevice::ReadOnly) && file.readAll() == content(version, i);
        }
        if (whole)
            return version;
    }
    return -1;
}

// The child: the window in the folder, one job, then the end. "start" only starts and counts the
// message boxes of the start (its exit code).
int child(const QString &scenario, const QString &folder, const QString &service) {
    MainFormDependencies d = MainFormDependencies::standard(folder);
    d.serviceBaseUrl = service;
    int messages = 0;
    d.messageBox = [&messages](QWidget *, QMessageBox::Icon, const QString &, const QString &text,
                               QMessageBox::StandardButtons) {
        std::printf("message box: %s\n", qPrintable(text));
        ++messages;
        return QMessageBox::Ok;
    };
    d.terminate = [](int) {};
    // The disk fills while the job runs (another program writing, say): the space check passes.
    if (qEnvironmentVariableIsSet("KILLBENCH_SPACE_CHECK_PASSES"))
        d.freeSpace = [](const QString &) { return std::optional<qint64>(qint64(1) << 40); };
    TMainForm form(std::move(d));
    if (const std::optional<QString> error = form.FormCreate())
        return fail(*error);
    if (scenario == QLatin1String("start")) {
        QTimer::singleShot(1000, qApp, &QCoreApplication::quit);
        QApplication::exec();
        return messages;
    }
    form.LoggedIn = true;
    form.SelectedGame = Hexbound;
    if (scenario == QLatin1String("update"))
        form.Library.LatestVersion[Hexbound] = "2.0.0.0";
    form.RefreshGameStates();
    // "table": one round, as a player saves (the full-disk run); "tables": many, to be killed in.
    if (scenario.startsWith(QLatin1String("table"))) {
        form.CheckBoxSave->setChecked(true);
        for (int i = 0; i < (scenario == QLatin1String("tables") ? 400 : 1); ++i) {
            form.AccountEmail = "player" + QByteArray::number(i) + "@example.com";
            form.AccountPassword = "secret";
            form.SaveSavedLogin();
            form.SoundsOn = i % 2;
            form.SaveSettings();
        }
        std::printf("%s\n", qPrintable(form.ChatAll->toPlainText()));
        return 0;
    }
    if (scenario == QLatin1String("install"))
        form.BtnInstallClick();
    else if (scenario == QLatin1String("update"))
        form.UpdateSelectedGame();
    else
        form.BtnDeleteClick();
    // A login made by hand is no session of the service's: its chat poll would answer with a log-out.
    form.LoggedIn = false;
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, qApp, [&form] {
        if (form.PendingJob == 0 && !form.JobBusy && form.DownloadIdle)
            QCoreApplication::quit();
    });
    done.start(50);
    QApplication::exec();
    // Lines of the chat: what the player was told.
    std::printf("%s\n", qPrintable(form.ChatAll->toPlainText()));
    return 0;
}

struct Run {
    int version = -1;       // of the game after the next start
    bool leftovers = false; // Temp, the trash or a stray file after the next start
    bool tables = true;     // both read
    int messages = 0;       // at the next start
    QByteArray chat;
};

class Bench {
public:
    QString program;
    QString service;
    QString work;

    QString fresh(const QString &scenario, const QString &base) {
        const QString folder = QDir(base).filePath(scenario);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QFile::copy(QStringLiteral(PICTURE_BUNDLE),
                    QDir(folder).filePath(QStringLiteral("Quillbarrow01.dll")));
        QFile::copy(QStringLiteral(SOUND_BUNDLE), QDir(folder).filePath(QStringLiteral("Quillbarrow02.dll")));
        if (scenario != QLatin1String("install") && scenario != QLatin1String("tables"))
            ZipExtractor::extract(QDir(work).filePath(QStringLiteral("v1.zip")),
                                  QDir(folder).filePath(QStringLiteral("Games/Hexbound")),
                                  [](const QByteArray &, quint32, quint32, qint64) {});
        return folder;
    }

    // The child for the scenario, killed after killMs (never when negative); its run time in ms.
    qint64 runChild(const QString &scenario, const QString &folder, qint64 killMs,
                    QByteArray *chat = nullptr) {
        QProcess process;
        process.setProgram(program);
        process.setArguments({QStringLiteral("--child"), scenario, folder, service});
        QElapsedTimer clock;
        clock.start();
        process.start();
        if (killMs >= 0) {
            if (!process.waitForFinished(int(killMs)))
                process.kill();
        }
        process.waitForFinished(600000);
        if (chat)
            *chat = process.readAllStandardOutput();
        return clock.elapsed();
    }

    Run check(const QString &folder) {
        Run run;
        QProcess start;
        start.setProcessChannelMode(QProcess::MergedChannels);
        start.start(program, {QStringLiteral("--child"), QStringLiteral("start"), folder, service});
        start.waitForFinished(60000);
        run.messages = start.exitStatus() == QProcess::NormalExit ? start.exitCode() : -1;
        if (run.messages != 0)
            std::printf("  the next start (exit %d) said:\n%s\n", run.messages, start.readAll().constData());
        // The start-up clean-up runs detached: give it its time.
        QElapsedTimer clock;
        clock.start();
        const QStringList expected{QStringLiteral("Games"), QStringLiteral("Quillbarrow01.dll"),
                                   QStringLiteral("Quillbarrow02.dll"), SavedLoginFileName.toString(),
                                   SettingsFileName.toString()};
        do {
            QStringList stray =
                QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            for (const QString &name : expected)
                stray.removeAll(name);
            run.leftovers = !stray.isEmpty();
            if (!run.leftovers)
                break;
            QThread::msleep(100);
        } while (clock.elapsed() < 20000);
        if (run.leftovers)
            std::printf("  left: %s\n",
                        qPrintable(QDir(folder)
                                       .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                                       .join(QLatin1Char(' '))));
        StringGrid grid;
        run.tables = loadSavedLoginTable(grid, folder).error.isEmpty() &&
                     loadSettingsTable(grid, folder).error.isEmpty();
        run.version = gameVersion(QDir(folder).filePath(QStringLiteral("Games/Hexbound")));
        return run;
    }
};

bool allowed(const QString &scenario, int version) {
    if (scenario == QLatin1String("install"))
        return version == 0 || version == 1;
    if (scenario == QLatin1String("update"))
        return version == 1 || version == 2;
    if (scenario == QLatin1String("removal"))
        return version == 0 || version == 1;
    return version == 0;
}

// Kills at random moments, or at these fractions of the job's run time when any are given.
int killRuns(Bench &bench, int runs, const QList<double> &fixed) {
    if (!fixed.isEmpty())
        runs = int(fixed.size());
    int tornTotal = 0;
    for (const QString &scenario : Scenarios) {
        if (qEnvironmentVariableIsSet("KILLBENCH_ONLY") && qEnvironmentVariable("KILLBENCH_ONLY") != scenario)
            continue;
        // One whole run first: how long the job lasts, and that it does what it should.
        QByteArray told;
        const QString whole = bench.fresh(scenario, bench.work);
        const qint64 lasts = bench.runChild(scenario, whole, -1, &told);
        const int after = gameVersion(QDir(whole).filePath(QStringLiteral("Games/Hexbound")));
        if (after != (scenario == QLatin1String("install")   ? 1
                      : scenario == QLatin1String("update")  ? 2
                      : scenario == QLatin1String("removal") ? 0
                                                             : after))
            return fail(QStringLiteral("the %1 run without a kill left version %2; told:\n%3")
                            .arg(scenario)
                            .arg(after)
                            .arg(QString::fromUtf8(told)));
        int torn = 0, leftovers = 0, unreadable = 0, alarming = 0;
        QMap<int, int> versions;
        for (int i = 0; i < runs; ++i) {
            const QString folder = bench.fresh(scenario, bench.work);
            const qint64 at = fixed.isEmpty() ? QRandomGenerator::global()->bounded(lasts + 1)
                                              : qint64(double(lasts) * fixed[i]);
            bench.runChild(scenario, folder, at);
            const Run run = bench.check(folder);
            ++versions[run.version];
            const bool bad = !allowed(scenario, run.version) || !run.tables;
            torn += bad;
            leftovers += run.leftovers;
            unreadable += !run.tables;
            alarming += run.messages > 0;
            if (bad)
                std::printf("  %s killed at %lld ms: game version %d, tables %s\n", qPrintable(scenario),
                            static_cast<long long>(at), run.version, run.tables ? "read" : "unreadable");
        }
        std::printf("%-8s %d kills within %lld ms: torn %d, leftovers %d, unreadable tables %d, messages at "
                    "start %d; game after: none %d, old/v1 %d, new/v2 %d\n",
                    qPrintable(scenario), runs, static_cast<long long>(lasts), torn, leftovers, unreadable,
                    alarming, versions.value(0), versions.value(1), versions.value(2));
        std::fflush(stdout);
        tornTotal += torn + leftovers + alarming;
    }
    return tornTotal;
}

// The launcher's folder on a tmpfs of `bytes`; each job once, unkilled; what the player was told.
int fullDisk(Bench &bench) {
    const QString archive = QDir(bench.work).filePath(QStringLiteral("v1.zip"));
    const qint64 packed = QFileInfo(archive).size();
    const struct {
        const char *what;
        const char *scenario;
        qint64 bytes;
    } cases[] = {{"download (room for half the archive)", "install", packed / 2},
                 {"unpacking (room for the archive and a third of the game)", "install", packed + packed / 3},
                 {"update (room for the archive and half the new files)", "update", 2 * packed + packed / 2},
                 {"tables (no room left at all)", "table", 0}};
    int bad = 0;
    const QString mountPoint = QDir(bench.work).filePath(QStringLiteral("small"));
    for (const auto &c : cases) {
        QDir().mkpath(mountPoint);
        const QString scenario = QString::fromLatin1(c.scenario);
        // Room for the bundles and the old game first.
        const QString staged = bench.fresh(scenario, bench.work);
        bench.check(staged); // its tables
        qint64 base = 0;
        QDirIterator files(staged, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext())
            base += QFileInfo(files.next()).size() + 4096;
        const QByteArray options =
            "size=" + QByteArray::number((base + c.bytes + 65536) / 4096 * 4096 + 32768);
        if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, options.constData()) != 0)
            return fail(QStringLiteral("cannot mount a tmpfs (root needed)"));
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), staged, mountPoint});
        const QString folder = QDir(mountPoint).filePath(scenario);
        const int before = gameVersion(QDir(folder).filePath(QStringLiteral("Games/Hexbound")));
        const QString filler = QDir(mountPoint).filePath(QStringLiteral("filler"));
        if (c.bytes == 0)
            QProcess::execute(QStringLiteral("dd"),
                              {QStringLiteral("if=/dev/zero"), QStringLiteral("of=") + filler,
                               QStringLiteral("bs=4096"), QStringLiteral("status=none")});
        QByteArray chat;
        bench.runChild(scenario, folder, -1, &chat);
        if (scenario == QLatin1String("install")) {
            qputenv("KILLBENCH_SPACE_CHECK_PASSES", "1");
            QByteArray more;
            bench.runChild(scenario, folder, -1, &more);
            qunsetenv("KILLBENCH_SPACE_CHECK_PASSES");
            chat += "(again, the space check passing)\n" + more;
        }
        QFile::remove(filler);
        const Run run = bench.check(folder);
        const bool ok = run.version == before && run.tables && !run.leftovers && run.messages == 0;
        bad += !ok;
        std::printf("full disk, %s: game %d -> %d, %s; told:\n%s\n", c.what, before, run.version,
                    ok ? "as it was" : "NOT as it was", chat.trimmed().constData());
        std::fflush(stdout);
        ::umount(QFile::encodeName(mountPoint).constData());
    }
    return bad;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    if (args.size() == 4 && args.first() == QLatin1String("--child"))
        return child(args[1], args[2], args[3]);
    int runs = 50;
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at >= 0 && at + 1 < args.size()) {
        runs = args[at + 1].toInt();
        args.remove(at, 2);
    }
    const bool disk = args.removeAll(QStringLiteral("--full-disk")) > 0;
    const QList<double> fixed =
        args.removeAll(QStringLiteral("--fixed")) > 0 ? QList<double>{0.2, 0.5, 0.7, 0.9} : QList<double>{};
    QTemporaryDir work((args.isEmpty() ? QDir::tempPath() : args.first()) +
                       QStringLiteral("/KillBench-XXXXXX"));
    if (!work.isValid())
        return fail(QStringLiteral("no temporary folder"));

    RunningService service;
    if (const QString error = service.init(); !error.isEmpty())
        return fail(error);
    const QString www = QDir(service.dataDir()).filePath(QStringLiteral("www/download"));
    Bench bench;
    bench.program = QApplication::applicationFilePath();
    bench.work = work.path();
    if (!writeVersion(QDir(work.path()).filePath(QStringLiteral("v1.zip")), 1) ||
        !writeVersion(QDir(www).filePath(QStringLiteral("Hexbound.U.2.0.0.0.zip")), 2))
        return fail(QStringLiteral("cannot write the archives"));
    QFile::remove(QDir(www).filePath(QStringLiteral("Hexbound.zip")));
    QFile::copy(QDir(work.path()).filePath(QStringLiteral("v1.zip")),
                QDir(www).filePath(QStringLiteral("Hexbound.zip")));
    // The published digests follow the archives written here.
    if (service.admin({QStringLiteral("digest")}).exitCode != 0)
        return fail(QStringLiteral("cannot publish the archives' digests"));
    if (const QString error = service.start(); !error.isEmpty())
        return fail(error);
    bench.service = QStringLiteral("https://localhost:%1").arg(service.port());
    return (disk ? fullDisk(bench) : killRuns(bench, runs, fixed)) == 0 ? 0 : 2;
}
