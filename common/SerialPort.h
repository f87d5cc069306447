#pragma once

#include <QString>

#include <functional>

namespace telvor {

/** One change of the serial line's DSR input, with the line state and the moment it happened. */
struct SerialEvent {
    bool dsr = false;
    /**
     * When the change happened, in milliseconds of the monotonic clock (CLOCK_MONOTONIC), taken
     * where it was seen, not where it is handled: a press handled late is still measured right.
     */
    qint64 stampMs = 0;
};

enum class SerialOpenError {
    None,
    NotPresent,   ///< no such device, or no serial hardware behind it (ENOENT, ENODEV, ENXIO, EIO)
    AccessDenied, ///< EACCES, EPERM: the user is not in the dialout group
    Busy,         ///< EBUSY: held exclusively by another program
    Failed,       ///< anything else
};

struct SerialOpenResult {
    SerialOpenError error = SerialOpenError::None;
    int sysError = 0; ///< errno of the failing call
    [[nodiscard]] bool ok() const { return error == SerialOpenError::None; }
};

/**
 * The push-button's serial port: only the DSR input line matters, no data moves. Events reach
 * the handlers on the event thread, one per change of the line, in order, also those that happen
 * while the event thread is busy.
 */
class SerialPort {
public:
    virtual ~SerialPort() = default;

    /** Port number 1 to 256 (the first port is 1); false when the serial layer cannot take it. */
    virtual bool setPortNumber(int number) = 0;
    /** A device path such as /dev/ttyUSB0 or /dev/serial/by-id/...; false when it cannot be used. */
    virtual bool setDevicePath(const QString& path) = 0;
    /** The device that open() will use. */
    [[nodiscard]] virtual QString devicePath() const = 0;

    virtual SerialOpenResult open() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;
    virtual void close() = 0;

    /** The DSR line now (false while closed). */
    [[nodiscard]] virtual bool dsrHolding() const = 0;
    /** Receives every change of the open port's DSR line on the event thread. */
    virtual void setEventHandler(std::function<void(const SerialEvent&)> handler) = 0;
    /**
     * Told on the event thread when the open port has gone (adapter unplugged, device removed),
     * with the errno that showed it. The port is closed then; it delivers nothing until opened again.
     */
    virtual void setLostHandler(std::function<void(int sysError)> handler) = 0;
};

} // namespace telvor
