#include "common/FileIo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace telvor;

namespace {

void writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readRaw(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

QStringList entriesOf(const QString& directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t modeOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

QByteArray patternBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

/** Sets the umask for the life of the object. */
class UmaskScope final {
public:
    explicit UmaskScope(mode_t mask) : m_previous(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_previous); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t m_previous;
};

} // namespace

class TestFileIo final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { m_dir.reset(); }

    void existence_data() const
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("exists");
        QTest::newRow("file") << "file" << true;
        QTest::newRow("directory") << "sub" << true;
        QTest::newRow("directory with final slash") << "sub/" << true;
        QTest::newRow("missing") << "nothing" << false;
        QTest::newRow("below a file") << "file/x" << false;
        QTest::newRow("dangling link") << "dangling" << false;
        QTest::newRow("link to a file") << "link" << true;
    }
    void existence()
    {
        QFETCH(QString, relative);
        QFETCH(bool, exists);
        writeRaw(path("file"), "x");
        QVERIFY(QDir(m_dir->path()).mkdir("sub"));
        QVERIFY(QFile::link(path("nothing"), path("dangling")));
        QVERIFY(QFile::link(path("file"), path("link")));
        QCOMPARE(IsFilePath(path(relative)), exists);
    }

    void emptyPathDoesNotExist() const
    {
        // An empty path must not fall back to the working directory.
        QVERIFY(!IsFilePath(QString()));
    }

    void nulEndsNoName()
    {
        // Cut at the NUL, these names would reach "real": none of them may.
        QVERIFY(writeFileAtomic(path("real"), "inhalt").ok());
        const QString cut = path("real") + QChar(u'\0') + QStringLiteral(".KVT");
        QVERIFY(!IsFilePath(cut));
        QCOMPARE(readWholeFile(cut).status, IoStatus::NotFound);
        QVERIFY(!writeFileAtomic(cut, "x").ok());
        QVERIFY(!createEmptyFile(cut).ok());
        QCOMPARE(removeFile(cut).status, IoStatus::NotFound);
        QCOMPARE(readWholeFile(path("real")).bytes, QByteArray("inhalt"));
    }

    void readsExactBytes()
    {
        QByteArray bytes = patternBytes(1000);
        bytes.append(QByteArray("\0\x81\x8d\r\n\x1a", 6));
        writeRaw(path("data"), bytes);
        const ReadResult result = readWholeFile(path("data"));
        QVERIFY(result.ok());
        QCOMPARE(result.error, 0);
        QCOMPARE(result.bytes, bytes);
        QVERIFY(!result.truncated);
    }

    void readFailures_data() const
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("error");
        QTest::newRow("missing file") << "nothing" << int(IoStatus::NotFound) << ENOENT;
        QTest::newRow("missing directory") << "nodir/file" << int(IoStatus::NotFound) << ENOENT;
        QTest::newRow("below a file") << "file/x" << int(IoStatus::NotFound) << ENOTDIR;
        QTest::newRow("directory") << "sub" << int(IoStatus::NotAFile) << EISDIR;
        QTest::newRow("fifo") << "fifo" << int(IoStatus::NotAFile) << EINVAL;
    }
    void readFailures()
    {
        QFETCH(QString, relative);
        QFETCH(int, status);
        QFETCH(int, error);
        writeRaw(path("file"), "x");
        QVERIFY(QDir(m_dir->path()).mkdir("sub"));
        // A FIFO under a file's name would block an ordinary open until some writer came.
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0644), 0);
        const ReadResult result = readWholeFile(path(relative));
        QCOMPARE(int(result.status), status);
        QCOMPARE(result.error, error);
        QVERIFY(!result.ok());
        QVERIFY(result.bytes.isEmpty());
        QVERIFY(!result.errorText().isEmpty());
    }

    void unreadableFileFails()
    {
        // Permission bits do not stop root from reading, so the case cannot be made as root.
        if (::geteuid() == 0)
            QSKIP("running as root: permission bits do not stop reads");
        writeRaw(path("secret"), "x");
        QVERIFY(::chmod(QFile::encodeName(path("secret")).constData(), 0) == 0);
        const ReadResult result = readWholeFile(path("secret"));
        QCOMPARE(result.status, IoStatus::Failed);
        QCOMPARE(result.error, EACCES);
    }

    void cap_data() const
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<int>("expectedSize");
        QTest::addColumn<bool>("truncated");
        QTest::newRow("no cap") << 10 << qint64(-1) << 10 << false;
        QTest::newRow("cap equals size") << 10 << qint64(10) << 10 << false;
        QTest::newRow("cap one below") << 10 << qint64(9) << 9 << true;
        QTest::newRow("cap above") << 10 << qint64(11) << 10 << false;
        QTest::newRow("cap zero") << 10 << qint64(0) << 0 << true;
        QTest::newRow("cap zero, empty file") << 0 << qint64(0) << 0 << false;
        QTest::newRow("large file, 64 KiB cap") << 200000 << qint64(65536) << 65536 << true;
        QTest::newRow("large file, no cap") << 200000 << qint64(-1) << 200000 << false;
        QTest::newRow("large file, cap just above") << 200000 << qint64(200001) << 200000 << false;
    }
    void cap()
    {
        QFETCH(int, size);
        QFETCH(qint64, maxBytes);
        QFETCH(int, expectedSize);
        QFETCH(bool, truncated);
        const QByteArray bytes = patternBytes(size);
        writeRaw(path("data"), bytes);
        const ReadResult result = readWholeFile(path("data"), maxBytes);
        QVERIFY(result.ok());
        QCOMPARE(result.bytes, bytes.left(expectedSize));
        QCOMPARE(result.truncated, truncated);
    }

    void atomicWriteCreates()
    {
        const UmaskScope mask(022);
        const QByteArray bytes("[/mnt/alarm/][1][12]\r\n");
        const IoResult result = writeFileAtomic(path("TELVOR.DAT"), bytes);
        QVERIFY(result.ok());
        QCOMPARE(readRaw(path("TELVOR.DAT")), bytes);
        QCOMPARE(entriesOf(m_dir->path()), QStringList{"TELVOR.DAT"});
        // The mode an ordinary create gives, not the private mode of a typical temporary file.
        QCOMPARE(modeOf(path("TELVOR.DAT")), mode_t(0644));
    }

    void atomicWriteReplaces_data() const
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("longer by shorter") << patternBytes(5000) << QByteArray("12");
        QTest::newRow("shorter by longer") << QByteArray("12") << patternBytes(300000);
        QTest::newRow("by nothing") << QByteArray("12") << QByteArray();
    }
    void atomicWriteReplaces()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        writeRaw(path("MESSAGE.KVT"), before);
        QVERIFY(writeFileAtomic(path("MESSAGE.KVT"), after).ok());
        QCOMPARE(readRaw(path("MESSAGE.KVT")), after);
        QCOMPARE(entriesOf(m_dir->path()), QStringList{"MESSAGE.KVT"});
    }

    // Every station must be able to read what another wrote, whatever its umask, and a file planted
    // under the name with other rights must not pass them on.
    void atomicWriteGivesTheAskedMode_data() const
    {
        QTest::addColumn<int>("planted");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("mode");
        QTest::newRow("new file, strict umask") << -1 << 077 << 0664 << 0664;
        QTest::newRow("planted private file") << 0600 << 022 << 0664 << 0664;
        QTest::newRow("planted open file") << 0777 << 022 << 0664 << 0664;
        QTest::newRow("no mode asked: the umask decides") << 0600 << 022 << -1 << 0644;
    }
    void atomicWriteGivesTheAskedMode()
    {
        QFETCH(int, planted);
        QFETCH(int, mask);
        QFETCH(int, asked);
        QFETCH(int, mode);
        if (planted >= 0) {
            writeRaw(path("MDAT7.KVT"), "old");
            QVERIFY(::chmod(QFile::encodeName(path("MDAT7.KVT")).constData(), mode_t(planted)) == 0);
        }
        const UmaskScope scope(static_cast<mode_t>(mask));
        QVERIFY(writeFileAtomic(path("MDAT7.KVT"), "new", WriteOptions{asked, {}}).ok());
        QCOMPARE(modeOf(path("MDAT7.KVT")), mode_t(mode));
        QCOMPARE(readRaw(path("MDAT7.KVT")), QByteArray("new"));
    }

    void atomicWriteIntoMissingDirectory()
    {
        const IoResult result = writeFileAtomic(path("gone/MESSAGE.KVT"), "12");
        QVERIFY(!result.ok());
        QCOMPARE(result.status, IoStatus::NotFound);
        QVERIFY(entriesOf(m_dir->path()).isEmpty());
    }

    void atomicWriteOverDirectoryFails()
    {
        // The rename is refused; the directory and its content stay, and no temporary is left.
        QVERIFY(QDir(m_dir->path()).mkdir("MESSAGE.KVT"));
        writeRaw(path("MESSAGE.KVT/inner"), "keep");
        const IoResult result = writeFileAtomic(path("MESSAGE.KVT"), "12");
        QCOMPARE(result.status, IoStatus::NotAFile);
        QCOMPARE(result.error, EISDIR);
        QCOMPARE(entriesOf(m_dir->path()), QStringList{"MESSAGE.KVT"});
        QCOMPARE(readRaw(path("MESSAGE.KVT/inner")), QByteArray("keep"));
    }

    void atomicWriteIntoUnwritableDirectory()
    {
        if (::geteuid() == 0)
            QSKIP("running as root: permission bits do not stop writes");
        writeRaw(path("MDAT7.KVT"), "old");
        QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), 0555) == 0);
        const IoResult result = writeFileAtomic(path("MDAT7.KVT"), "new");
        ::chmod(QFile::encodeName(m_dir->path()).constData(), 0755);
        QCOMPARE(result.status, IoStatus::Failed);
        QCOMPARE(result.error, EACCES);
        QCOMPARE(readRaw(path("MDAT7.KVT")), QByteArray("old"));
    }

    void atomicWriteWithRelativeName()
    {
        // A name without a directory lands in the working directory, with its temporary beside it.
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        const IoResult result = writeFileAtomic(QStringLiteral("START.17"), "x");
        QDir::setCurrent(previous);
        QVERIFY(result.ok());
        QCOMPARE(entriesOf(m_dir->path()), QStringList{"START.17"});
        QCOMPARE(readRaw(path("START.17")), QByteArray("x"));
    }

    void append()
    {
        QVERIFY(appendToFile(path("telvor.log"), "eins\r\n").ok());
        QVERIFY(appendToFile(path("telvor.log"), "zwei\r\n").ok());
        QCOMPARE(readRaw(path("telvor.log")), QByteArray("eins\r\nzwei\r\n"));
        const IoResult missing = appendToFile(path("gone/telvor.log"), "x");
        QCOMPARE(missing.status, IoStatus::NotFound);
    }

    void createEmpty_data() const
    {
        QTest::addColumn<bool>("existed");
        QTest::newRow("new file") << false;
        QTest::newRow("existing file is truncated") << true;
    }
    void createEmpty()
    {
        QFETCH(bool, existed);
        if (existed)
            writeRaw(path("START.17"), "left over");
        QVERIFY(createEmptyFile(path("START.17")).ok());
        QVERIFY(QFileInfo::exists(path("START.17")));
        QCOMPARE(readRaw(path("START.17")), QByteArray());
    }

    void createEmptyFailures()
    {
        QCOMPARE(createEmptyFile(path("gone/START.17")).status, IoStatus::NotFound);
        // A FIFO nobody reads must give an error at once instead of blocking the caller.
        QCOMPARE(::mkfifo(QFile::encodeName(path("START.9")).constData(), 0644), 0);
        const IoResult fifo = createEmptyFile(path("START.9"));
        QCOMPARE(fifo.status, IoStatus::Failed);
        QCOMPARE(fifo.error, ENXIO);
    }

    void remove()
    {
        writeRaw(path("MESSAGE.KVT"), "12");
        QVERIFY(removeFile(path("MESSAGE.KVT")).ok());
        QVERIFY(!QFileInfo::exists(path("MESSAGE.KVT")));
        const IoResult again = removeFile(path("MESSAGE.KVT"));
        QCOMPARE(again.status, IoStatus::NotFound);
        QCOMPARE(again.error, ENOENT);
    }

    void removeDirectoryFails()
    {
        QVERIFY(QDir(m_dir->path()).mkdir("MESSAGE.KVT"));
        const IoResult result = removeFile(path("MESSAGE.KVT"));
        QCOMPARE(result.status, IoStatus::NotAFile);
        QVERIFY(QFileInfo(path("MESSAGE.KVT")).isDir());
    }

    void forceRemoveReadOnly_data() const
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("read-only") << 0444;
        QTest::newRow("no permissions") << 0;
    }
    void forceRemoveReadOnly()
    {
        QFETCH(int, mode);
        writeRaw(path("START.17"), "");
        QVERIFY(::chmod(QFile::encodeName(path("START.17")).constData(), mode_t(mode)) == 0);
        QVERIFY(forceRemoveFile(path("START.17")).ok());
        QVERIFY(!IsFilePath(path("START.17")));
        QCOMPARE(forceRemoveFile(path("START.17")).status, IoStatus::NotFound);
    }

    void textRoundTrip()
    {
        const QString text = QString::fromUtf8("Überfall Kasse ß €\r\n„zwei“");
        QVERIFY(writeTextFileAtomic(path("MDAT7.KVT"), text).ok());
        QCOMPARE(readRaw(path("MDAT7.KVT")), QByteArray("\xdc"
                                                        "berfall Kasse \xdf \x80\r\n\x84zwei\x93"));
        const TextReadResult read = readTextFile(path("MDAT7.KVT"));
        QVERIFY(read.ok());
        QCOMPARE(read.text, text);
        QVERIFY(!read.truncated);
    }

    void textReadCapAndFailure()
    {
        writeRaw(path("MESSAGE.KVT"), "\xe4\xf6\xfc");
        const TextReadResult capped = readTextFile(path("MESSAGE.KVT"), 2);
        QVERIFY(capped.ok());
        QCOMPARE(capped.text, QString::fromUtf8("äö"));
        QVERIFY(capped.truncated);
        const TextReadResult missing = readTextFile(path("MDAT9.KVT"));
        QCOMPARE(missing.status, IoStatus::NotFound);
        QVERIFY(missing.text.isEmpty());
    }

private:
    QString path(const QString& relative) const { return m_dir->path() + QLatin1Char('/') + relative; }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_APPLESS_MAIN(TestFileIo)
#include "tst_fileio.moc"
