// A system call cut short by a signal is made again; any other outcome, failure or not, is the answer.

#include "common/RetryOnInterrupt.h"

#include <QTest>

using namespace telvor;

class TestRetryOnInterrupt final : public QObject {
    Q_OBJECT

private slots:
    void retriesOnlyInterruptions_data() const
    {
        QTest::addColumn<QList<int>>("errors"); // errno of each call; 0: the call succeeds
        QTest::addColumn<int>("expectedCalls");
        QTest::addColumn<long>("expectedResult");
        QTest::addColumn<int>("expectedError");
        QTest::newRow("success at once") << QList<int>{0} << 1 << 5L << 0;
        QTest::newRow("interrupted twice, then success") << QList<int>{EINTR, EINTR, 0} << 3 << 5L << 0;
        QTest::newRow("other failure at once, errno kept") << QList<int>{EACCES} << 1 << -1L << EACCES;
        QTest::newRow("interrupted, then another failure") << QList<int>{EINTR, EIO, 0} << 2 << -1L << EIO;
    }
    void retriesOnlyInterruptions() const
    {
        QFETCH(QList<int>, errors);
        QFETCH(int, expectedCalls);
        QFETCH(long, expectedResult);
        QFETCH(int, expectedError);
        int calls = 0;
        errno = 0;
        const long result = retryOnInterrupt([&]() -> long {
            errno = errors.at(calls++);
            return errno == 0 ? 5 : -1;
        });
        QCOMPARE(calls, expectedCalls);
        QCOMPARE(result, expectedResult);
        if (result == -1)
            QCOMPARE(errno, expectedError);
    }
};

QTEST_APPLESS_MAIN(TestRetryOnInterrupt)
#include "tst_retryoninterrupt.moc"
