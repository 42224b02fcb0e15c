#include "core/FileVersion.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class SetVersionToolTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void setsVersionOrExplains() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString exe = dir.filePath(QStringLiteral("Quillbarrow.exe"));
        QVERIFY(QFile::copy(QStringLiteral(FIXTURE_V1008), exe));

        QCOMPARE(run({exe, QStringLiteral("1.0.0.9")}), 0);
        QCOMPARE(ReadFileVersion(QFile::encodeName(exe)), QByteArray("1.0.0.9"));

        QCOMPARE(run({exe, QStringLiteral("1.0.9")}), 1);
        QVERIFY(m_stderr.contains("1.0.9"));
        QCOMPARE(ReadFileVersion(QFile::encodeName(exe)), QByteArray("1.0.0.9"));

        const QString plain = dir.filePath(QStringLiteral("plain.exe"));
        QVERIFY(QFile::copy(QStringLiteral(FIXTURE_UNVERSIONED), plain));
        QCOMPARE(run({plain, QStringLiteral("1.0.0.9")}), 1);
        QVERIFY(m_stderr.contains("no version record"));
        QCOMPARE(ReadFileVersion(QFile::encodeName(plain)), QByteArray());

        QCOMPARE(run({exe}), 2);
        QVERIFY(m_stderr.startsWith("usage:"));
    }

private:
    int run(const QStringList &arguments) {
        QProcess tool;
        tool.start(QStringLiteral(SETVERSION_TOOL), arguments);
        if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit)
            return -1;
        m_stderr = tool.readAllStandardError();
        return tool.exitCode();
    }

    QByteArray m_stderr;
};

QTEST_GUILESS_MAIN(SetVersionToolTest)
#include "SetVersionToolTest.moc"
