#include "platform/ResourceBundle.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether `address` lies in a mapping of the file `path` in this process.
bool insideMappingOf(const void *address, const QString &path) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const auto at = reinterpret_cast<quintptr>(address);
    const QByteArray wanted = QFileInfo(path).canonicalFilePath().toUtf8();
    for (const QByteArray &line : maps.readAll().split('\n')) {
        if (!line.endsWith(wanted))
            continue;
        const QList<QByteArray> range = line.left(line.indexOf(' ')).split('-');
        bool ok1 = false;
        bool ok2 = false;
        const quintptr begin = range.value(0).toULongLong(&ok1, 16);
        const quintptr end = range.value(1).toULongLong(&ok2, 16);
        if (ok1 && ok2 && at >= begin && at < end)
            return true;
    }
    return false;
}

bool mapped(const QString &path) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) &&
           maps.readAll().contains(QFileInfo(path).canonicalFilePath().toUtf8());
}

const QString bundlePath = QStringLiteral(TEST_BUNDLE);
const QString sources = QStringLiteral(TEST_BUNDLE_SOURCES);

} // namespace

class ResourceBundleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findsResourcesInPlace() {
        ResourceBundle bundle = ResourceBundle::open(bundlePath);
        QVERIFY2(bundle.isLoaded(), qPrintable(bundle.loadError()));
        QCOMPARE(bundle.fileName(), QStringLiteral("TestBundle01.dll"));
        QCOMPARE(bundle.names(), QStringList({QStringLiteral("Greeting"), QStringLiteral("Ledger")}));

        const ResourceBundle::Lookup greeting = bundle.find(QStringLiteral("Greeting"));
        QVERIFY2(greeting.found(), qPrintable(greeting.Error));
        QCOMPARE(greeting.Data.toByteArray(), fileBytes(sources + QStringLiteral("/Greeting.txt")));
        QCOMPARE(bundle.find(QStringLiteral("Ledger")).Data.toByteArray(),
                 fileBytes(sources + QStringLiteral("/Ledger.txt")));
        // No copy: the bytes live in the mapped bundle file, and a second lookup hands out the same bytes.
        QVERIFY(insideMappingOf(greeting.Data.data(), bundlePath));
        QCOMPARE(bundle.find(QStringLiteral("Greeting")).Data.data(), greeting.Data.data());
    }

    void missingNamesAndFilesNameBoth() {
        ResourceBundle bundle = ResourceBundle::open(bundlePath);
        for (const QString &name : {QStringLiteral("News9"), QStringLiteral("greeting"), QStringLiteral(""),
                                    QStringLiteral("../Greeting"), QStringLiteral("Greeting/")}) {
            const ResourceBundle::Lookup lookup = bundle.find(name);
            QVERIFY2(!lookup.found(), qPrintable(name));
            QVERIFY(lookup.Data.isEmpty());
            QVERIFY2(lookup.Error.startsWith(
                         QStringLiteral("resource not found: \"%1\" in TestBundle01.dll").arg(name)),
                     qPrintable(lookup.Error));
        }

        QTemporaryDir dir;
        const QString absent = dir.filePath(QStringLiteral("Quillbarrow01.dll"));
        ResourceBundle missing = ResourceBundle::open(absent);
        QVERIFY(!missing.isLoaded());
        QVERIFY(missing.names().isEmpty());
        const QString error = missing.find(QStringLiteral("BtnHome")).Error;
        QVERIFY2(error.startsWith(QStringLiteral("resource not found: \"BtnHome\" in Quillbarrow01.dll")),
                 qPrintable(error));
        QVERIFY2(error.contains(absent + QStringLiteral(" does not exist")), qPrintable(error));

        // A file that is there but is no bundle (here: a text file under the bundle's name).
        QVERIFY(QFile::copy(sources + QStringLiteral("/Greeting.txt"), absent));
        ResourceBundle notABundle = ResourceBundle::open(absent);
        QVERIFY(!notABundle.isLoaded());
        QVERIFY2(notABundle.find(QStringLiteral("BtnHome"))
                     .Error.contains(QStringLiteral("is not a resource bundle")),
                 qPrintable(notABundle.find(QStringLiteral("BtnHome")).Error));
    }

    void releaseUnmapsAndIsRepeatable() {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("Quillbarrow02.dll"));
        QVERIFY(QFile::copy(bundlePath, copy));
        ResourceBundle bundle = ResourceBundle::open(copy);
        QVERIFY(bundle.find(QStringLiteral("Greeting")).found());
        QVERIFY(mapped(copy));
        bundle.release();
        QVERIFY(!bundle.isLoaded());
        QVERIFY(!mapped(copy));
        QVERIFY(
            bundle.find(QStringLiteral("Greeting")).Error.startsWith(QStringLiteral("resource not found")));
        bundle.release(); // twice is harmless
        // The released file can be replaced, and a new bundle reads the new contents.
        QVERIFY(QFile::remove(copy));
        QVERIFY(QFile::copy(QStringLiteral(TEST_BUNDLE_COMPRESSED), copy));
        ResourceBundle again = ResourceBundle::open(copy);
        QCOMPARE(again.find(QStringLiteral("Greeting")).Data.toByteArray(),
                 fileBytes(sources + QStringLiteral("/Greeting.txt")));
    }

    void sameFileTwiceStaysIndependent() {
        ResourceBundle first = ResourceBundle::open(bundlePath);
        ResourceBundle second = ResourceBundle::open(bundlePath);
        QVERIFY(first.prefix() != second.prefix());
        first.release();
        QVERIFY(second.find(QStringLiteral("Ledger")).found());
        QVERIFY(!first.find(QStringLiteral("Ledger")).found());
    }

    void movesHandOverOwnership() {
        ResourceBundle original = ResourceBundle::open(bundlePath);
        const QByteArrayView before = original.find(QStringLiteral("Greeting")).Data;
        ResourceBundle moved(std::move(original));
        QVERIFY(!original.isLoaded()); // a moved-from bundle is defined: empty
        QVERIFY(!original.find(QStringLiteral("Greeting")).found());
        QCOMPARE(moved.find(QStringLiteral("Greeting")).Data.data(), before.data());

        ResourceBundle target = ResourceBundle::open(QStringLiteral(TEST_BUNDLE_COMPRESSED));
        const QString oldPrefix = target.prefix();
        target = std::move(moved);
        QVERIFY(!QFileInfo::exists(oldPrefix + QStringLiteral("/Greeting"))); // the old bundle was released
        QVERIFY(target.find(QStringLiteral("Greeting")).found());
        original.release();
    }

    void compressedEntriesAreInflatedOnce() {
        ResourceBundle bundle = ResourceBundle::open(QStringLiteral(TEST_BUNDLE_COMPRESSED));
        const QByteArray ledger = fileBytes(sources + QStringLiteral("/Ledger.txt"));
        // The entry really is stored compressed: the whole bundle is smaller than this one text.
        QVERIFY(QFileInfo(QStringLiteral(TEST_BUNDLE_COMPRESSED)).size() < ledger.size() / 2);
        const ResourceBundle::Lookup first = bundle.find(QStringLiteral("Ledger"));
        QCOMPARE(first.Data.toByteArray(), ledger);
        QCOMPARE(bundle.find(QStringLiteral("Ledger")).Data.data(), first.Data.data());
    }
};

QTEST_GUILESS_MAIN(ResourceBundleTest)
#include "ResourceBundleTest.moc"
