#pragma once

#include <QString>
#include <QStringList>

class QObject;

// Creates controls from plugin libraries by programmatic identifier, the way
// the main window gets its minute timer. A library is picked by the "Keys" of
// its metadata, read without loading it, so foreign or broken files in the
// searched folders are passed over without running any of their code.
class ControlHost {
  public:
    // Searches the program's folder and the "plugins" folder inside it (a
    // build tree, Windows, a portable copy), then the installed plugin folder,
    // given relative to the program's folder so that a moved tree still works.
    ControlHost();
    // Searches the given folders in order; the first library that lists the
    // identifier and can make the control wins. A relative folder is never
    // searched: it would be whatever the current directory happens to be.
    explicit ControlHost(QStringList folders);

    // A new control owned by parent, or nullptr with *error (when given) set
    // to a message for the user naming progId and what went wrong.
    QObject *createControl(const QString &progId, QObject *parent, QString *error) const;

  private:
    QStringList candidateFiles() const;

    QStringList m_folders;
};
