// Failures that a local disk never produces (an SMB server refusing a rename or a delete while
// another station holds the file, a sync that fails) are injected here by defining rename,
// unlink and fsync in this executable: the file code runs unchanged and the calls it makes for
// the files of a test fail as planned, while every other call goes to the C library.

#include "common/FileIo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace telvor;

namespace {

/** Failures planned for calls that touch a file whose name ends with nameSuffix. */
struct FaultPlan {
    QByteArray nameSuffix; ///< empty: the plan is off; any text arms an fsync plan for every call
    int error = 0;
    int failures = 0;               ///< calls still to fail; -1 fails every call
    int calls = 0;                  ///< matching calls seen
    bool onlyWhileReadOnly = false; ///< refuse only while the file lacks its owner's write bit
};

FaultPlan g_rename;
FaultPlan g_unlink;
FaultPlan g_fsync;

bool shouldFail(FaultPlan& plan, const char* path)
{
    if (plan.nameSuffix.isEmpty() || (path && !QByteArray(path).endsWith(plan.nameSuffix)))
        return false;
    ++plan.calls;
    if (plan.failures == 0)
        return false;
    struct stat info {};
    if (plan.onlyWhileReadOnly && ::stat(path, &info) == 0 && (info.st_mode & S_IWUSR))
        return false;
    if (plan.failures > 0)
        --plan.failures;
    errno = plan.error;
    return true;
}

template <typename Function> Function realFunction(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int rename(const char* from, const char* to) noexcept
{
    static const auto real = realFunction<int (*)(const char*, const char*)>("rename");
    if (shouldFail(g_rename, to))
        return -1;
    return real(from, to);
}

extern "C" int unlink(const char* path) noexcept
{
    static const auto real = realFunction<int (*)(const char*)>("unlink");
    if (shouldFail(g_unlink, path))
        return -1;
    return real(path);
}

extern "C" int fsync(int fd)
{
    static const auto real = realFunction<int (*)(int)>("fsync");
    if (shouldFail(g_fsync, nullptr))
        return -1;
    return real(fd);
}

class TestFileIoFaults final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_rename = g_unlink = g_fsync = FaultPlan{};
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        g_rename = g_unlink = g_fsync = FaultPlan{};
        m_dir.reset();
    }

    void replaceOutlastsABusyTarget_data() const
    {
        QTest::addColumn<int>("error");
        QTest::newRow("EEXIST") << EEXIST;
        QTest::newRow("EBUSY") << EBUSY;
    }
    void replaceOutlastsABusyTarget()
    {
        QFETCH(int, error);
        writeRaw(path("MESSAGE.KVT"), "7");
        g_rename = FaultPlan{"/MESSAGE.KVT", error, 2};
        const IoResult result = writeFileAtomic(path("MESSAGE.KVT"), "12");
        QVERIFY(result.ok());
        QCOMPARE(g_rename.calls, 3);
        QCOMPARE(readRaw(path("MESSAGE.KVT")), QByteArray("12"));
        QCOMPARE(entries(), QStringList{"MESSAGE.KVT"});
    }

    void replaceGivesUpOnALastingRefusal()
    {
        writeRaw(path("MESSAGE.KVT"), "7");
        g_rename = FaultPlan{"/MESSAGE.KVT", EEXIST, -1};
        const IoResult result = writeFileAtomic(path("MESSAGE.KVT"), "12");
        QCOMPARE(result.status, IoStatus::Failed);
        QCOMPARE(result.error, EEXIST);
        // A few tries, not one and not an endless loop.
        QVERIFY2(g_rename.calls >= 2 && g_rename.calls <= 10, qPrintable(QString::number(g_rename.calls)));
        QCOMPARE(readRaw(path("MESSAGE.KVT")), QByteArray("7"));
        QCOMPARE(entries(), QStringList{"MESSAGE.KVT"});
    }

    void otherRenameErrorIsNotRetried()
    {
        g_rename = FaultPlan{"/MDAT7.KVT", EXDEV, 1};
        const IoResult result = writeFileAtomic(path("MDAT7.KVT"), "text");
        QCOMPARE(result.status, IoStatus::Failed);
        QCOMPARE(result.error, EXDEV);
        QCOMPARE(g_rename.calls, 1);
        QVERIFY(entries().isEmpty());
    }

    void failedSyncLeavesTheTargetAlone()
    {
        writeRaw(path("TELVOR.DAT"), "old");
        g_fsync = FaultPlan{"any", EIO, -1};
        g_rename = FaultPlan{"/TELVOR.DAT", 0, 0}; // counts only
        const IoResult result = writeFileAtomic(path("TELVOR.DAT"), "new content");
        QCOMPARE(result.status, IoStatus::Failed);
        QCOMPARE(result.error, EIO);
        QCOMPARE(g_rename.calls, 0);
        QCOMPARE(readRaw(path("TELVOR.DAT")), QByteArray("old"));
        QCOMPARE(entries(), QStringList{"TELVOR.DAT"});
    }

    void fileSystemWithoutSync()
    {
        // Some FUSE and network file systems cannot sync; the data has reached them all the same.
        g_fsync = FaultPlan{"any", EINVAL, -1};
        QVERIFY(writeFileAtomic(path("MDAT7.KVT"), "text").ok());
        QCOMPARE(readRaw(path("MDAT7.KVT")), QByteArray("text"));
    }

    void deleteOutlastsABusyFile()
    {
        writeRaw(path("MESSAGE.KVT"), "12");
        g_unlink = FaultPlan{"/MESSAGE.KVT", EBUSY, 2};
        QVERIFY(removeFile(path("MESSAGE.KVT")).ok());
        QCOMPARE(g_unlink.calls, 3);
        QVERIFY(!QFileInfo::exists(path("MESSAGE.KVT")));
    }

    void deleteGivesUpOnALastingBusy()
    {
        writeRaw(path("MESSAGE.KVT"), "12");
        g_unlink = FaultPlan{"/MESSAGE.KVT", EBUSY, -1};
        const IoResult result = removeFile(path("MESSAGE.KVT"));
        QCOMPARE(result.status, IoStatus::Failed);
        QCOMPARE(result.error, EBUSY);
        QVERIFY2(g_unlink.calls >= 2 && g_unlink.calls <= 10, qPrintable(QString::number(g_unlink.calls)));
        QVERIFY(QFileInfo::exists(path("MESSAGE.KVT")));
    }

    void deleteRefusalIsNotRetried_data() const
    {
        QTest::addColumn<int>("error");
        QTest::newRow("EACCES") << EACCES;
        QTest::newRow("EIO") << EIO;
    }
    void deleteRefusalIsNotRetried()
    {
        QFETCH(int, error);
        writeRaw(path("MESSAGE.KVT"), "12");
        g_unlink = FaultPlan{"/MESSAGE.KVT", error, -1};
        const IoResult result = removeFile(path("MESSAGE.KVT"));
        QCOMPARE(result.error, error);
        QCOMPARE(g_unlink.calls, 1);
    }

    void forcedDeleteMakesTheFileWritable_data() const
    {
        QTest::addColumn<int>("error");
        QTest::newRow("EACCES") << EACCES;
        QTest::newRow("EPERM") << EPERM;
    }
    void forcedDeleteMakesTheFileWritable()
    {
        QFETCH(int, error);
        writeRaw(path("START.17"), "");
        setMode(path("START.17"), 0444);
        // The share refuses the delete until the file is writable again.
        g_unlink = FaultPlan{"/START.17", error, -1, 0, true};
        const IoResult first = forceRemoveFile(path("START.17"));
        QCOMPARE(g_unlink.calls, 2);
        QVERIFY(first.ok());
        QVERIFY(!QFileInfo::exists(path("START.17")));
    }

    void forcedDeleteTriesOnlyOnceMore()
    {
        writeRaw(path("START.17"), "");
        setMode(path("START.17"), 0444);
        g_unlink = FaultPlan{"/START.17", EPERM, -1};
        const IoResult result = forceRemoveFile(path("START.17"));
        QCOMPARE(result.status, IoStatus::Failed);
        QCOMPARE(result.error, EPERM);
        QCOMPARE(g_unlink.calls, 2);
        QVERIFY(QFileInfo::exists(path("START.17")));
        QCOMPARE(modeOf(path("START.17")) & 0200, mode_t(0200));
    }

    void forcedDeleteNeverChangesALinksTarget()
    {
        // A link planted under an exchange name must not lend its target write permission.
        writeRaw(path("letter.txt"), "keep");
        setMode(path("letter.txt"), 0444);
        QVERIFY(QFile::link(path("letter.txt"), path("MESSAGE.KVT")));
        g_unlink = FaultPlan{"/MESSAGE.KVT", EACCES, 1};
        QCOMPARE(forceRemoveFile(path("MESSAGE.KVT")).error, EACCES);
        QCOMPARE(modeOf(path("letter.txt")), mode_t(0444));
        QCOMPARE(readRaw(path("letter.txt")), QByteArray("keep"));
    }

    void forcedDeleteLeavesOtherFailuresAlone()
    {
        writeRaw(path("START.17"), "");
        setMode(path("START.17"), 0444);
        g_unlink = FaultPlan{"/START.17", EIO, -1};
        const IoResult result = forceRemoveFile(path("START.17"));
        QCOMPARE(result.error, EIO);
        QCOMPARE(g_unlink.calls, 1);
        QCOMPARE(modeOf(path("START.17")), mode_t(0444));
    }

private:
    QString path(const QString& relative) const { return m_dir->path() + QLatin1Char('/') + relative; }

    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    static void writeRaw(const QString& name, const QByteArray& bytes)
    {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    static QByteArray readRaw(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    static mode_t modeOf(const QString& name)
    {
        struct stat info {};
        return ::stat(QFile::encodeName(name).constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
    }

    static void setMode(const QString& name, mode_t mode)
    {
        QCOMPARE(::chmod(QFile::encodeName(name).constData(), mode), 0);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_APPLESS_MAIN(TestFileIoFaults)
#include "tst_fileio_faults.moc"
