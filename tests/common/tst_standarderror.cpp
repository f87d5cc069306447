// Lines printed on standard error by several threads at once arrive whole, each with its line end.

#include "common/StandardError.h"

#include <QByteArrayList>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <array>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace telvor;

class TestStandardError final : public QObject {
    Q_OBJECT

private slots:
    // A pipe takes more than PIPE_BUF bytes in pieces that another writer may come between.
    void longLinesOfThreadsStayWholeInAPipe() const
    {
        constexpr int kThreads = 4;
        constexpr int kLines = 40;
        const auto lineOf = [](int thread, int line) {
            const QString head = QStringLiteral("Überfall %1.%2 ").arg(thread).arg(line);
            return head + QString(qsizetype(3 * PIPE_BUF) - head.size(), QChar(u'a' + thread));
        };
        std::array<int, 2> fds{};
        QCOMPARE(::pipe(fds.data()), 0);
        QByteArray received;
        std::thread reader([&] {
            std::array<char, 4096> buffer{};
            ssize_t got;
            while ((got = ::read(fds[0], buffer.data(), buffer.size())) > 0)
                received.append(buffer.data(), got);
        });
        const int savedError = ::dup(STDERR_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        ::close(fds[1]);
        const auto restore = qScopeGuard([&] {
            ::dup2(savedError, STDERR_FILENO); // the reader's end of file
            ::close(savedError);
            if (reader.joinable())
                reader.join();
            ::close(fds[0]);
        });

        std::vector<std::thread> writers;
        writers.reserve(kThreads);
        for (int thread = 0; thread < kThreads; ++thread)
            writers.emplace_back([&, thread] {
                for (int line = 0; line < kLines; ++line)
                    printLine(lineOf(thread, line));
            });
        for (std::thread& writer : writers)
            writer.join();
        ::dup2(savedError, STDERR_FILENO);
        reader.join();

        QVERIFY(received.endsWith('\n'));
        QByteArrayList lines = received.chopped(1).split('\n');
        QByteArrayList expected;
        for (int thread = 0; thread < kThreads; ++thread)
            for (int line = 0; line < kLines; ++line)
                expected.append(lineOf(thread, line).toUtf8());
        std::sort(lines.begin(), lines.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(lines, expected);
    }
};

QTEST_APPLESS_MAIN(TestStandardError)
#include "tst_standarderror.moc"
