#pragma once

#include "common/SerialPort.h"
#include "tests/support/time/VirtualScheduler.h"

#include <QString>

namespace telvor::test {

/**
 * A serial line that the test drives: press() and release() deliver events as the real port does,
 * stamped with the virtual time; pressedAt()/releasedAt() deliver a change that happened earlier
 * than it is handled, as after a busy moment of the event thread.
 */
class FakeSerialPort final : public SerialPort {
public:
    explicit FakeSerialPort(const VirtualScheduler& scheduler) : m_scheduler(scheduler) {}

    bool setPortNumber(int number) override;
    bool setDevicePath(const QString& path) override;
    QString devicePath() const override { return m_device; }
    SerialOpenResult open() override;
    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    bool dsrHolding() const override { return m_open && m_dsr; }
    void setEventHandler(std::function<void(const SerialEvent&)> handler) override { m_handler = std::move(handler); }
    void setLostHandler(std::function<void(int)> handler) override { m_lostHandler = std::move(handler); }

    /** Opens fail this way from now on (None: they succeed again). */
    void failOpen(SerialOpenError error) { m_openError = error; }
    void press() { setDsr(true, m_scheduler.now()); }
    void release() { setDsr(false, m_scheduler.now()); }
    void pressedAt(qint64 stampMs) { setDsr(true, stampMs); }
    void releasedAt(qint64 stampMs) { setDsr(false, stampMs); }
    /** The device goes away (an adapter unplugged): the port closes and the client is told. */
    void lose(int sysError);
    int openCount() const { return m_openCount; }

private:
    void setDsr(bool on, qint64 stampMs);

    const VirtualScheduler& m_scheduler;
    std::function<void(const SerialEvent&)> m_handler;
    std::function<void(int)> m_lostHandler;
    QString m_device;
    SerialOpenError m_openError = SerialOpenError::None;
    bool m_open = false;
    bool m_dsr = false;
    int m_openCount = 0;
};

} // namespace telvor::test
