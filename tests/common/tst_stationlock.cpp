// The machine-wide lock of a station ID: one holder at a time, shared by the sessions of all
// users, and never fooled into following or truncating what is planted under its name.

#include "common/StationLock.h"
#include "tests/support/EffectiveUser.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace telvor;
using namespace telvor::test;

class TestStationLock final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString lockPath(const QString& id) const { return path(QStringLiteral("telvor-station-%1.lock").arg(id)); }
    static mode_t modeOf(const QString& file)
    {
        struct stat info {};
        return ::lstat(QFile::encodeName(file).constData(), &info) == 0 ? info.st_mode : 0;
    }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void oneHolderPerStationIdUntilItEnds()
    {
        const mode_t umaskBefore = ::umask(077);
        auto first = std::make_unique<StationLock>(m_dir->path(), QStringLiteral("7"));
        QCOMPARE(first->tryLock(), StationLock::Outcome::Held);
        ::umask(umaskBefore);
        QCOMPARE(first->tryLock(), StationLock::Outcome::Held);
        QCOMPARE(modeOf(lockPath(QStringLiteral("7"))), mode_t(S_IFREG | 0644)); // whatever the umask

        StationLock second(m_dir->path(), QStringLiteral("7"));
        QCOMPARE(second.tryLock(), StationLock::Outcome::Busy);
        QCOMPARE(second.tryLock(), StationLock::Outcome::Busy);
        StationLock other(m_dir->path(), QStringLiteral("8"));
        QCOMPARE(other.tryLock(), StationLock::Outcome::Held);

        first.reset();
        QCOMPARE(second.tryLock(), StationLock::Outcome::Held);
        QVERIFY(second.isHeld());
    }

    void plantedNamesFailWithoutBeingTouched_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::newRow("link to a file") << "link";
        QTest::newRow("link to nothing") << "dangling";
        QTest::newRow("directory") << "directory";
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("no lock directory") << "missing";
    }
    void plantedNamesFailWithoutBeingTouched()
    {
        QFETCH(QString, planted);
        const QByteArray lock = QFile::encodeName(lockPath(QStringLiteral("7")));
        const QByteArray target = QFile::encodeName(path(QStringLiteral("target")));
        QString directory = m_dir->path();
        if (planted == QLatin1String("link")) {
            QFile file(path(QStringLiteral("target")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("data");
            file.close();
            QCOMPARE(::symlink(target.constData(), lock.constData()), 0);
        } else if (planted == QLatin1String("dangling")) {
            QCOMPARE(::symlink(target.constData(), lock.constData()), 0);
        } else if (planted == QLatin1String("directory")) {
            QCOMPARE(::mkdir(lock.constData(), 0755), 0);
        } else if (planted == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(lock.constData(), 0644), 0);
        } else {
            directory = path(QStringLiteral("gone"));
        }

        StationLock station(directory, QStringLiteral("7"));
        QCOMPARE(station.tryLock(), StationLock::Outcome::Failed);
        QVERIFY(!station.isHeld());
        QVERIFY2(station.problem().startsWith(directory + QStringLiteral("/telvor-station-7.lock: ")),
                 qPrintable(station.problem()));
        if (planted == QLatin1String("link"))
            QCOMPARE(QFile(path(QStringLiteral("target"))).size(), 4);
        QCOMPARE(QFile::exists(path(QStringLiteral("target"))), planted == QLatin1String("link"));
    }

    // A lock directory as the system has it: sticky and writable by all, where a user may not
    // create over another user's file; each session keeps a strict umask.
    void sessionsOfTwoUsersShareOneLock()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to act as two users");
        const QString shared = path(QStringLiteral("lock"));
        QCOMPARE(::mkdir(QFile::encodeName(shared).constData(), 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
        QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
        const mode_t umaskBefore = ::umask(077);

        auto first = std::make_unique<StationLock>(shared, QStringLiteral("7"));
        StationLock second(shared, QStringLiteral("7"));
        {
            const EffectiveUser a(kUserA);
            QCOMPARE(first->tryLock(), StationLock::Outcome::Held);
        }
        {
            const EffectiveUser b(kUserB);
            QCOMPARE(second.tryLock(), StationLock::Outcome::Busy);
            first.reset();
            QCOMPARE(second.tryLock(), StationLock::Outcome::Held);
        }
        ::umask(umaskBefore);
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(shared + QStringLiteral("/telvor-station-7.lock")).constData(), &info), 0);
        QCOMPARE(info.st_uid, kUserA); // the second user locks the first user's file
    }
};

QTEST_GUILESS_MAIN(TestStationLock)
#include "tst_stationlock.moc"
