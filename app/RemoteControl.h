#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;
class QTimer;

// The running copy's door for commands of a second start: a local socket
// only the same user can open, one short line in, one answer out.
//
// Request: the command word and "\n". Answer: "ok\n" and the command's
// output, or "error: <reason>\n"; then the copy hangs up.
class RemoteControl : public QObject {
    Q_OBJECT
  public:
    // Gives the command's output; false for a word it does not know.
    using Handler = std::function<bool(const QString &command, QByteArray *output)>;

    static constexpr int MaxRequest = 4096;
    static constexpr int IdleTimeoutMs = 2000;
    static constexpr int ConnectWaitMs = 10000;

    RemoteControl(QString name, Handler handler, QObject *parent = nullptr);
    ~RemoteControl() override;

    // Only called by the copy that holds the single-instance lock, so a
    // socket left behind by a crashed copy can be taken over.
    bool listen(QString *error = nullptr);

    // Per user and per executable, like the single-instance lock, in a
    // folder only this user can enter.
    static QString serverName(const QString &executablePath, const QString &folder);

    enum class Result { Done, NoCopy, Refused };
    // Sends one command and waits for the answer (its output on Done, the
    // reason on Refused). A copy whose door is crowded is waited for, up to
    // ConnectWaitMs.
    static Result send(const QString &name, const QString &command, QByteArray *answer,
                       int timeoutMs = 30000);

  private:
    void accept();
    void serve(QLocalSocket *socket);
    void forget(QLocalSocket *socket);

    QString m_name;
    Handler m_handler;
    QLocalServer *m_server;
    // Clients whose line has not come yet, the longest waiting first.
    struct Waiting {
        QLocalSocket *socket;
        QElapsedTimer since;
    };
    QList<Waiting> m_waiting;
    QTimer *m_retry;
};
