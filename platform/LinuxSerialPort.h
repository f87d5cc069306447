#pragma once

#include "common/SerialPort.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QObject;

namespace telvor {

/**
 * The push-button port on a Linux tty. A watcher thread follows the DSR line and hands every change,
 * with the line state it carries and the monotonic time it was seen at, to the thread that created
 * the port; events queue up while that thread is busy and arrive afterwards in order.
 */
class LinuxSerialPort final : public SerialPort {
public:
    LinuxSerialPort();
    ~LinuxSerialPort() override;
    LinuxSerialPort(const LinuxSerialPort&) = delete;
    LinuxSerialPort& operator=(const LinuxSerialPort&) = delete;

    bool setPortNumber(int number) override;
    bool setDevicePath(const QString& path) override;
    [[nodiscard]] QString devicePath() const override;

    SerialOpenResult open() override;
    [[nodiscard]] bool isOpen() const override;
    void close() override;

    [[nodiscard]] bool dsrHolding() const override;
    void setEventHandler(std::function<void(const SerialEvent&)> handler) override;
    void setLostHandler(std::function<void(int sysError)> handler) override;

    /** The device of port 1 to 256 (/dev/ttyS0 to /dev/ttyS255); empty for any other number. */
    static QString portDevice(int number);

private:
    class Watcher;

    void deliver(std::uint64_t session, const SerialEvent& event);
    void lineLost(std::uint64_t session, int sysError);
    void release();

    QString m_path;
    int m_fd = -1;
    std::uint64_t m_session = 0; ///< counts opens and closes; events of an earlier session are dropped
    std::unique_ptr<QObject> m_receiver;
    std::unique_ptr<Watcher> m_watcher;
    std::function<void(const SerialEvent&)> m_handler;
    std::function<void(int)> m_lostHandler;
};

} // namespace telvor
