#include "platform/InstanceChannel.h"

#include "common/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <utility>

namespace telvor {
namespace {

const QByteArray kRequest = QByteArrayLiteral("setup\n");
const QByteArray kTaken = QByteArrayLiteral("ok\n");

QString socketPath(const QString& name)
{
    return instancePath(name, QStringLiteral(".socket"));
}

} // namespace

InstanceChannel::InstanceChannel(const QString& name, std::function<void()> onRequest)
    : m_path(socketPath(name)), m_onRequest(std::move(onRequest)), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::takeConnection);
}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::listen()
{
    // A socket left by a copy that died is in the way; the lock says that no copy runs now.
    QLocalServer::removeServer(m_path);
    return m_server->listen(m_path);
}

QString InstanceChannel::errorText() const
{
    return m_server->errorString();
}

void InstanceChannel::takeConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Only a whole request counts; anything else from the socket is ignored.
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == kRequest) {
                socket->write(kTaken);
                socket->flush();
                if (m_onRequest)
                    m_onRequest();
            }
            socket->disconnectFromServer();
        });
    }
}

bool InstanceChannel::ask(const QString& name, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(name));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine() == kTaken;
}

} // namespace telvor
