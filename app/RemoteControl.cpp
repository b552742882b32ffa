#include "RemoteControl.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/socket.h>
#endif

namespace {

// More clients at once than a person's scripts make means a flood; they wait outside.
constexpr int MaxOpenClients = 16;

// Belt and braces on Linux: the socket's permissions already keep other
// users out, the kernel's word on the peer settles it.
bool peerIsThisUser([[maybe_unused]] QLocalSocket *socket) {
#ifdef Q_OS_LINUX
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == getuid();
#else
    return true;
#endif
}

QString userName() {
#ifdef Q_OS_UNIX
    return QString::number(getuid());
#else
    return qEnvironmentVariable("USERDOMAIN") + QLatin1Char('\\') +
           qEnvironmentVariable("USERNAME");
#endif
}

} // namespace

RemoteControl::RemoteControl(QString name, Handler handler, QObject *parent)
    : QObject(parent), m_name(std::move(name)), m_handler(std::move(handler)),
      m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &RemoteControl::accept);
}

RemoteControl::~RemoteControl() = default;

QString RemoteControl::serverName(const QString &executablePath) {
    const QString canonical = QFileInfo(executablePath).canonicalFilePath();
    const QString key =
        userName() + QLatin1Char('\n') +
        (canonical.isEmpty() ? QFileInfo(executablePath).absoluteFilePath() : canonical);
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(20));
#ifdef Q_OS_UNIX
    // A full path keeps the socket in the user's own runtime folder, not in /tmp.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("mirell-%1.sock").arg(hash));
#else
    return QStringLiteral("mirell-%1").arg(hash);
#endif
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
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (m_open >= MaxOpenClients || !peerIsThisUser(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        serve(socket);
    }
}

void RemoteControl::serve(QLocalSocket *socket) {
    ++m_open;
    connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A client that never finishes its line is not waited for.
    auto *idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    idle->start(IdleTimeoutMs);

    connect(socket, &QLocalSocket::readyRead, socket, [this, socket, idle] {
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
        const QString command = QString::fromUtf8(socket->read(end + 1).trimmed());
        QByteArray output;
        const QPointer<QLocalSocket> guard(socket);
        const bool known = m_handler(command, &output);
        if (!guard)
            return;
        socket->write(known ? "ok\n" + output : "error: unknown command\n");
        socket->flush();
        socket->disconnectFromServer();
    });
}

RemoteControl::Result RemoteControl::send(const QString &name, const QString &command,
                                          QByteArray *answer, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(5000))
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
