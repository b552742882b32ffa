#pragma once

#include <QString>
#include <QStringList>

// Runs one external program with an argument list, never through a shell,
// and gives up after a timeout so a stuck desktop tool cannot freeze the
// rotation. Every failure comes back as a sentence naming the program.
class CommandRunner {
  public:
    explicit CommandRunner(int timeoutMs = 10000) : m_timeoutMs(timeoutMs) {}

    // True when the program ran and exited with status 0. Its standard
    // output goes into *output when given.
    bool run(const QString &program, const QStringList &arguments, QString *error,
             QString *output = nullptr) const;

  private:
    int m_timeoutMs;
};
