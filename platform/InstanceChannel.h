#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace telvor {

/**
 * How a second start of a program reaches the copy that runs: a local socket beside the instance
 * lock, open to this user only. The desktop's menu entry starts the program again; for a user
 * without a notification area that is the way to the running copy's setup window.
 */
class InstanceChannel final : public QObject {
    Q_OBJECT

public:
    /** The running copy's end; onRequest runs on this object's thread for every request. */
    InstanceChannel(const QString& name, std::function<void()> onRequest);
    ~InstanceChannel() override;

    /** Starts listening; only the holder of the instance lock may, since a stale socket is replaced. */
    bool listen();
    [[nodiscard]] QString errorText() const;

    /** The second start's end: true when the running copy took the request within timeoutMs. */
    static bool ask(const QString& name, int timeoutMs);

private:
    void takeConnection();

    QString m_path;
    std::function<void()> m_onRequest;
    QLocalServer* m_server = nullptr;
};

} // namespace telvor
