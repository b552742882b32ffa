#include "CommandRunner.h"

#include "BackendError.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

// The last non-empty line of a tool's complaint is usually the useful one.
QString lastLine(const QByteArray &text) {
    const QStringList lines = QString::fromLocal8Bit(text).split(u'\n', Qt::SkipEmptyParts);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString line = it->trimmed();
        if (!line.isEmpty())
            return line;
    }
    return {};
}

} // namespace

bool CommandRunner::run(const QString &program, const QStringList &arguments, QString *error,
                        QString *output) const {
    const QString executable = QStandardPaths::findExecutable(program);
    if (executable.isEmpty()) {
        setError(error, QStringLiteral("%1 was not found on PATH").arg(program));
        return false;
    }

    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(m_timeoutMs)) {
        setError(error,
                 QStringLiteral("%1 could not be started: %2").arg(program, process.errorString()));
        return false;
    }
    if (!process.waitForFinished(m_timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        setError(error, QStringLiteral("%1 did not finish within %2 seconds and was stopped")
                            .arg(program)
                            .arg(m_timeoutMs / 1000.0));
        return false;
    }
    const QByteArray out = process.readAllStandardOutput();
    if (output)
        *output = QString::fromLocal8Bit(out);
    if (process.exitStatus() != QProcess::NormalExit) {
        setError(error, QStringLiteral("%1 crashed").arg(program));
        return false;
    }
    if (process.exitCode() != 0) {
        QString why = lastLine(process.readAllStandardError());
        if (why.isEmpty())
            why = lastLine(out);
        QString text =
            QStringLiteral("%1 failed with exit code %2").arg(program).arg(process.exitCode());
        if (!why.isEmpty())
            text += QStringLiteral(": ") + why;
        setError(error, text);
        return false;
    }
    return true;
}
