#include "RemoteControl.h"

#include "LocalAccess.h"
#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace {

// More clients at once than a person's scripts make means a flood. Past
// this, a newcomer takes the place of the longest waiting client once that
// one has had GraceMs for its line, which a real client sends at once; the
// rest wait in the queue, so a real command is late, not turned away.
constexpr int MaxOpenClients = 16;
constexpr int GraceMs = 250;

} // namespace

RemoteControl::RemoteControl(QString name, Handler handler, QObject *parent)
    : QObject(parent), m_name(std::move(name)), m_handler(std::move(handler)),
      m_server(new QLocalServer(this)), m_retry(new QTimer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &RemoteControl::accept);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &RemoteControl::accept);
}

RemoteControl::~RemoteControl() = default;

QString RemoteControl::serverName(const QString &executablePath, const QString &folder) {
    return LocalAccess::serverAddress(folder, instanceName(executablePath));
}

bool RemoteControl::listen(QString *error) {
    if (m_server->listen(m_name))
        return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(m_name);
        if (m_server->listen(m_name))
            return true;
    }
    if (error)
        *error = m_server->errorString();
    return false;
}

void RemoteControl::accept() {
    while (m_server->hasPendingConnections()) {
        if (m_waiting.size() >= MaxOpenClients) {
            const qint64 left = GraceMs - m_waiting.constFirst().since.elapsed();
            if (left > 0) {
                m_retry->start(int(left));
                return;
            }
            QLocalSocket *oldest = m_waiting.constFirst().socket;
            forget(oldest);
            oldest->abort();
            oldest->deleteLater();
        }
        QLocalSocket *socket = m_server->nextPendingConnection();
        // The socket's permissions already keep other users out; the
        // system's word on the peer settles it.
        if (!LocalAccess::peerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        serve(socket);
    }
}

void RemoteControl::forget(QLocalSocket *socket) {
    const auto waiting = std::find_if(m_waiting.cbegin(), m_waiting.cend(),
                                      [socket](const Waiting &w) { return w.socket == socket; });
    if (waiting == m_waiting.cend())
        return;
    m_waiting.erase(waiting);
    if (m_server->hasPendingConnections())
        m_retry->start(0);
}

void RemoteControl::serve(QLocalSocket *socket) {
    m_waiting.append(Waiting{socket, {}});
    m_waiting.last().since.start();
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A client that never finishes its line is not waited for.
    auto *idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    idle->start(IdleTimeoutMs);

    const auto onData = [this, socket, idle] {
        if (!idle->isActive())
            return; // answered already
        const qsizetype end = socket->peek(MaxRequest).indexOf('\n');
        if (end < 0) {
            if (socket->bytesAvailable() >= MaxRequest) {
                socket->abort();
                socket->deleteLater();
            }
            return;
        }
        idle->stop();
        forget(socket);
        const QString command = QString::fromUtf8(socket->read(end + 1).trimmed());
        QByteArray output;
        const QPointer<QLocalSocket> guard(socket);
        const bool known = m_handler(command, &output);
        if (!guard)
            return;
        socket->write(known ? "ok\n" + output : "error: unknown command\n");
        socket->flush();
        socket->disconnectFromServer();
    };
    connect(socket, &QLocalSocket::readyRead, socket, onData);
    // A client that waited in the queue may have sent its line before we took
    // it, and that data announces itself no more.
    if (socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(socket, onData, Qt::QueuedConnection);
}

RemoteControl::Result RemoteControl::send(const QString &name, const QString &command,
                                          QByteArray *answer, int timeoutMs) {
    QLocalSocket socket;
    // A copy busy with a crowd of clients takes a while to let us in; Qt
    // keeps trying while the queue is full.
    socket.connectToServer(name);
    if (!socket.waitForConnected(ConnectWaitMs))
        return Result::NoCopy;
    socket.write(command.toUtf8() + '\n');
    socket.flush();
    QByteArray received;
    const QDeadlineTimer deadline(timeoutMs);
    while (socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired()) {
        if (socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            received += socket.readAll();
    }
    received += socket.readAll();
    if (received.startsWith("ok\n")) {
        if (answer)
            *answer = received.mid(3);
        return Result::Done;
    }
    if (answer)
        *answer = received.startsWith("error: ") ? received.mid(7).trimmed()
                                                 : QByteArrayLiteral("no answer");
    return Result::Refused;
}
