#include "client/forms/DirectoryLister.h"
#include "tests/client/forms/ListingGate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using telvor::DirectoryLister;
using telvor::Listing;
using telvor::test::ListingGate;

namespace {

/** The directories whose listing has begun; workers start in no set order. */
QStringList enteredSorted(const ListingGate& gate)
{
    QStringList entered = gate.entered();
    entered.sort();
    return entered;
}

Listing subdirectoriesOf(const QString& directory)
{
    return {directory, QDir::Dirs, {}};
}

} // namespace

class TestDirectoryLister final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsTree_data();
    void listsTree();
    void onlyLatestAnswerArrives();
    void stuckListingsAreCapped();
    void goneWhileStuck();

private:
    QString path(const QString& name) const { return m_base + QLatin1Char('/') + name; }

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_base;
    ListingGate m_gate;
};

void TestDirectoryLister::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    m_base = QDir(m_temp->path()).canonicalPath();
    QDir base(m_base);
    for (const char* dir : {"beta", "Alpha", "gamma", ".hidden", "sub.wav"})
        QVERIFY(base.mkdir(QString::fromLatin1(dir)));
    for (const char* file : {"c.wav", "A.WAV", "README", "b.txt", ".secret.wav"}) {
        QFile f(path(QString::fromLatin1(file)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link(path(QStringLiteral("gamma")), path(QStringLiteral("link"))));
    m_gate = ListingGate();
}

void TestDirectoryLister::cleanup()
{
    m_gate.releaseAll();
}

void TestDirectoryLister::listsTree_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<bool>("files");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QStringList>("names");

    // Sorted as a person reads them, whatever the case; hidden entries stay out.
    QTest::newRow("directories") << "" << false << QStringList()
                                 << QStringList{"Alpha", "beta", "gamma", "link", "sub.wav"};
    QTest::newRow("files") << "" << true << QStringList() << QStringList{"A.WAV", "b.txt", "c.wav", "README"};
    QTest::newRow("files of a pattern, any case")
        << "" << true << QStringList{"*.wav"} << QStringList{"A.WAV", "c.wav"};
    QTest::newRow("two patterns") << "" << true << QStringList{"*.txt", "READ*"} << QStringList{"b.txt", "README"};
    QTest::newRow("empty directory") << "Alpha" << false << QStringList() << QStringList();
    QTest::newRow("missing directory") << "nowhere" << false << QStringList() << QStringList();
}

void TestDirectoryLister::listsTree()
{
    QFETCH(QString, directory);
    QFETCH(bool, files);
    QFETCH(QStringList, filters);
    QFETCH(QStringList, names);

    DirectoryLister lister;
    QSignalSpy listed(&lister, &DirectoryLister::listed);
    const QString dir = directory.isEmpty() ? m_base : path(directory);
    lister.request({dir, files ? QDir::Files : QDir::Dirs, filters});

    QTRY_COMPARE(listed.size(), 1);
    QCOMPARE(listed[0][0].toString(), dir);
    QCOMPARE(listed[0][1].toStringList(), names);
    QCOMPARE(lister.outstanding(), 0);
}

void TestDirectoryLister::onlyLatestAnswerArrives()
{
    DirectoryLister lister(m_gate.function());
    QSignalSpy listed(&lister, &DirectoryLister::listed);
    m_gate.hold(m_base);

    lister.request(subdirectoriesOf(m_base));
    lister.request(subdirectoriesOf(path(QStringLiteral("gamma"))));
    // The second answer comes while the first listing hangs.
    QTRY_COMPARE(listed.size(), 1);
    QCOMPARE(listed[0][0].toString(), path(QStringLiteral("gamma")));
    QCOMPARE(lister.outstanding(), 1);

    // The first one returns late; what it found is out of date and goes nowhere.
    m_gate.release(m_base);
    QTRY_COMPARE(lister.outstanding(), 0);
    QCOMPARE(listed.size(), 1);
}

void TestDirectoryLister::stuckListingsAreCapped()
{
    const QStringList dirs{path("Alpha"), path("beta"), path("gamma"), path("link"), path("sub.wav")};
    for (const QString& dir : dirs)
        m_gate.hold(dir);
    DirectoryLister lister(m_gate.function(), 2);
    QSignalSpy listed(&lister, &DirectoryLister::listed);

    for (const QString& dir : dirs.mid(0, 4))
        lister.request(subdirectoriesOf(dir));
    QTRY_COMPARE(m_gate.waiting(), 2);
    QCOMPARE(lister.outstanding(), 2);
    // Requests beyond the cap wait; a newer one takes the place of the one waiting before it.
    QTest::qWait(50);
    QCOMPARE(enteredSorted(m_gate), dirs.mid(0, 2));

    m_gate.release(dirs[0]);
    QTRY_COMPARE(enteredSorted(m_gate), (QStringList{dirs[0], dirs[1], dirs[3]}));
    QCOMPARE(lister.outstanding(), 2);
    QCOMPARE(listed.size(), 0);

    m_gate.releaseAll();
    QTRY_COMPARE(lister.outstanding(), 0);
    QCOMPARE(listed.size(), 1);
    QCOMPARE(listed[0][0].toString(), dirs[3]);
}

void TestDirectoryLister::goneWhileStuck()
{
    m_gate.hold(m_base);
    auto lister = std::make_unique<DirectoryLister>(m_gate.function());
    lister->request(subdirectoriesOf(m_base));
    QTRY_COMPARE(m_gate.waiting(), 1);

    QElapsedTimer clock;
    clock.start();
    lister.reset();
    QVERIFY(clock.elapsed() < 1000);

    // The worker comes back to a lister that is gone (the sanitizer build watches this).
    m_gate.release(m_base);
    QTRY_COMPARE(m_gate.waiting(), 0);
    QTest::qWait(50);
}

QTEST_GUILESS_MAIN(TestDirectoryLister)
#include "tst_directorylister.moc"
