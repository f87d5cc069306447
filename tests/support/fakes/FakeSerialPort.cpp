#include "FakeSerialPort.h"

#include <cerrno>

namespace telvor::test {

bool FakeSerialPort::setPortNumber(int number)
{
    if (number < 1 || number > 256)
        return false;
    m_device = QStringLiteral("/dev/ttyS%1").arg(number - 1);
    return true;
}

bool FakeSerialPort::setDevicePath(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    m_device = path;
    return true;
}

SerialOpenResult FakeSerialPort::open()
{
    ++m_openCount;
    if (m_openError != SerialOpenError::None)
        return {m_openError, ENOENT};
    m_open = true;
    return {};
}

void FakeSerialPort::lose(int sysError)
{
    if (!m_open)
        return;
    m_open = false;
    if (m_lostHandler)
        m_lostHandler(sysError);
}

void FakeSerialPort::setDsr(bool on, qint64 stampMs)
{
    m_dsr = on;
    if (m_open && m_handler)
        m_handler(SerialEvent{on, stampMs});
}

} // namespace telvor::test
