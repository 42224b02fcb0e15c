#include "platform/ResourceBundle.h"

#include "FileFixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace FileFixtures;

namespace {

const QString bundlePath = u"" FIXTURES "/TestBundle01.dll"_s;

// The mapping of the file in this process that holds `address`, if any (null: any mapping of it).
bool mapped(const QString &path, const void *address = nullptr) {
    const auto at = reinterpret_cast<quintptr>(address);
    for (const QByteArray &line : readFile(u"/proc/self/maps"_s).split('\n')) {
        const QList<QByteArray> range = line.left(line.indexOf(' ')).split('-');
        if (line.endsWith(QFileInfo(path).canonicalFilePath().toUtf8()) &&
            (!address ||
             (at >= range.value(0).toULongLong(nullptr, 16) && at < range.value(1).toULongLong(nullptr, 16))))
            return true;
    }
    return false;
}

} // namespace

class ResourceBundleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // No copy: the bytes live in the mapped bundle file, and a second lookup hands out the same bytes.
    void findsResourcesInPlace() {
        ResourceBundle bundle = ResourceBundle::open(bundlePath);
        QVERIFY2(bundle.isLoaded(), qPrintable(bundle.loadError()));
        QCOMPARE(bundle.names(), (QStringList{u"Greeting"_s, u"Ledger"_s}));
        const ResourceBundle::Lookup greeting = bundle.find(u"Greeting"_s);
        QCOMPARE(greeting.Data.toByteArray(), readFile(u"" FIXTURES "/Greeting.txt"_s));
        QVERIFY(mapped(bundlePath, greeting.Data.data()));
        QCOMPARE(bundle.find(u"Greeting"_s).Data.data(), greeting.Data.data());
        for (const QString &name : {u"News9"_s, u"greeting"_s, u""_s, u"../Greeting"_s, u"Greeting/"_s}) {
            const ResourceBundle::Lookup lookup = bundle.find(name);
            QVERIFY(!lookup.found() && lookup.Data.isEmpty());
            QVERIFY2(lookup.Error.startsWith(u"resource not found: \"%1\" in TestBundle01.dll"_s.arg(name)),
                     qPrintable(lookup.Error));
        }
    }

    // Released (also by a move over it), the file is unmapped and may be replaced; each bundle is its own.
    void releaseUnmaps() {
        QTemporaryDir dir;
        const QString copy = dir.filePath(u"Quillbarrow02.dll"_s);
        QVERIFY(QFile::copy(bundlePath, copy));
        ResourceBundle bundle = ResourceBundle::open(copy);
        ResourceBundle second = ResourceBundle::open(copy);
        QVERIFY(mapped(copy) && bundle.prefix() != second.prefix());
        bundle = std::move(second);
        QVERIFY(bundle.find(u"Ledger"_s).found() && !second.isLoaded());
        bundle.release();
        bundle.release();
        QVERIFY(!bundle.isLoaded() && !mapped(copy));
        QVERIFY(bundle.find(u"Greeting"_s).Error.startsWith(u"resource not found"_s));
        QVERIFY(QFile::remove(copy) && QFile::copy(bundlePath, copy));
        QVERIFY(ResourceBundle::open(copy).find(u"Greeting"_s).found());
    }

    // Qt follows a bundle's inner offsets unchecked; each of these files would make it read outside the
    // mapping (the bad data offset crashed a plain registration in a trial run).
    void refusesMissingAndDamagedBundles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = readFile(bundlePath);
        const auto u32 = [&](qsizetype at) { return qFromBigEndian<quint32>(good.constData() + at); };
        const qsizetype tree = u32(8), data = u32(12), names = u32(16);
        const auto node = [&](int index) { return tree + index * 22; }; // version 3 nodes
        const auto with = [&](qsizetype at, quint32 value, QByteArray bytes = {}) {
            bytes = bytes.isEmpty() ? good : bytes;
            qToBigEndian(value, bytes.data() + at);
            return bytes;
        };
        QTest::newRow("missing") << QByteArray() << u"does not exist"_s;
        QTest::newRow("text") << QByteArray("Hello\n") << u"is not a resource bundle"_s;
        QTest::newRow("cut short") << good.left(12) << u"no resource bundle header"_s;
        QTest::newRow("truncated tree") << good.left(tree + 10) << u"the resource tree is empty"_s;
        QTest::newRow("version") << with(4, 9) << u"unknown resource bundle version 9"_s;
        QTest::newRow("tree offset") << with(8, 0x7fff0000) << u"a section lies outside the file"_s;
        QTest::newRow("data offset") << with(node(2) + 10, 0x7fff0000)
                                     << u"a resource's data lies outside the file"_s;
        QTest::newRow("data size") << with(data + u32(node(1) + 10), 0x7fffffff)
                                   << u"a resource's data lies outside the file"_s;
        QTest::newRow("name length") << with(names + u32(node(1)), 0xfffe0000)
                                     << u"a resource name lies outside the file"_s;
        QTest::newRow("entry count") << with(node(0) + 6, 1000)
                                     << u"a folder's entries lie outside the resource tree"_s;
        // A folder holding itself.
        const QByteArray loop = with(node(1) + 10, 1, with(node(1) + 6, 1, with(node(1) + 4, 0x00020000)));
        QTest::newRow("loop") << loop << u"the resource tree loops"_s;
    }

    void refusesMissingAndDamagedBundles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Quillbarrow01.dll"_s);
        QFile file(path);
        QVERIFY(bytes.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()));
        file.close();
        ResourceBundle bundle = ResourceBundle::open(path);
        QVERIFY(!bundle.isLoaded() && bundle.names().isEmpty());
        QVERIFY2(bundle.loadError().startsWith(path) && bundle.loadError().contains(reason),
                 qPrintable(bundle.loadError()));
        const QString error = bundle.find(u"Greeting"_s).Error;
        QVERIFY2(error.startsWith(u"resource not found: \"Greeting\" in Quillbarrow01.dll"_s) &&
                     error.contains(reason),
                 qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(ResourceBundleTest)
#include "ResourceBundleTest.moc"
