#include "platform/ResourceBundle.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

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

    // Qt follows a bundle's inner offsets unchecked; each of these files would make it read
    // outside the mapping (the bad data offset crashed a plain registration in a trial run).
    void refusesDamagedBundles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = fileBytes(bundlePath);
        QVERIFY(good.startsWith("qres"));
        const auto u32 = [&](qsizetype at) { return qFromBigEndian<quint32>(good.constData() + at); };
        const qsizetype tree = u32(8);
        const qsizetype data = u32(12);
        const qsizetype names = u32(16);
        const auto node = [&](int index) { return tree + index * 22; }; // version 3 nodes
        const auto with = [&](qsizetype at, quint32 value) {
            QByteArray bytes = good;
            qToBigEndian(value, bytes.data() + at);
            return bytes;
        };
        QTest::newRow("cut short") << good.left(12) << QStringLiteral("no resource bundle header");
        QTest::newRow("truncated tree")
            << good.left(tree + 10) << QStringLiteral("the resource tree is empty");
        QTest::newRow("magic") << with(0, 0x71726573 + 1) << QStringLiteral("no resource bundle header");
        QTest::newRow("version") << with(4, 9) << QStringLiteral("unknown resource bundle version 9");
        QTest::newRow("tree offset") << with(8, 0x7fff0000)
                                     << QStringLiteral("a section lies outside the file");
        QTest::newRow("data offset") << with(node(2) + 10, 0x7fff0000)
                                     << QStringLiteral("a resource's data lies outside the file");
        QTest::newRow("data size") << with(data + u32(node(1) + 10), 0x7fffffff)
                                   << QStringLiteral("a resource's data lies outside the file");
        QTest::newRow("name length") << with(names + u32(node(1)), 0xfffe0000)
                                     << QStringLiteral("a resource name lies outside the file");
        QTest::newRow("entry count") << with(node(0) + 6, 1000)
                                     << QStringLiteral("a folder's entries lie outside the resource tree");
        QByteArray loop = with(node(1) + 6, 1);
        qToBigEndian<quint16>(0x02, loop.data() + node(1) + 4); // a folder ...
        qToBigEndian<quint32>(1, loop.data() + node(1) + 10);   // ... holding itself
        QTest::newRow("loop") << loop << QStringLiteral("the resource tree loops");
    }

    void refusesDamagedBundles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillbarrow01.dll"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        ResourceBundle bundle = ResourceBundle::open(path);
        QVERIFY(!bundle.isLoaded());
        QCOMPARE(bundle.loadError(), QStringLiteral("%1 is not a resource bundle: %2").arg(path, reason));
        const QString error = bundle.find(QStringLiteral("Greeting")).Error;
        QVERIFY2(error.startsWith(QStringLiteral("resource not found: \"Greeting\" in Quillbarrow01.dll")) &&
                     error.contains(reason),
                 qPrintable(error));
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
