#pragma once

#include <QString>

#include <functional>

namespace telvor {

/** One change (or other event) of the serial line, with the DSR state at that moment. */
struct SerialEvent {
    bool dsr = false;
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
    bool ok() const { return error == SerialOpenError::None; }
};

/**
 * The push-button's serial port: only the DSR input line matters, no data moves. Events reach
 * the handler on the event thread, one per change of the line, in order, also those that happen
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
    virtual QString devicePath() const = 0;

    virtual SerialOpenResult open() = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;

    /** The DSR line now (false while closed). */
    virtual bool dsrHolding() const = 0;
    /** Receives every event of the open port on the event thread. */
    virtual void setEventHandler(std::function<void(const SerialEvent&)> handler) = 0;
};

} // namespace telvor
