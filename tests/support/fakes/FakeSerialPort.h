#pragma once

#include "platform/SerialPort.h"

#include <QString>

namespace telvor::test {

/** A serial line that the test drives: press() and release() deliver events as the real port does. */
class FakeSerialPort final : public SerialPort {
public:
    bool setPortNumber(int number) override;
    bool setDevicePath(const QString& path) override;
    QString devicePath() const override { return m_device; }
    SerialOpenResult open() override;
    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    bool dsrHolding() const override { return m_open && m_dsr; }
    void setEventHandler(std::function<void(const SerialEvent&)> handler) override { m_handler = std::move(handler); }

    /** Devices whose open fails, and how. */
    void failOpen(SerialOpenError error) { m_openError = error; }
    void press() { setDsr(true); }
    void release() { setDsr(false); }
    /** An event of another kind (a line other than DSR changed). */
    void otherEvent();
    int openCount() const { return m_openCount; }

private:
    void setDsr(bool on);

    std::function<void(const SerialEvent&)> m_handler;
    QString m_device;
    SerialOpenError m_openError = SerialOpenError::None;
    bool m_open = false;
    bool m_dsr = false;
    int m_openCount = 0;
};

} // namespace telvor::test
