#include "AtomicFile.h"

#include <QSaveFile>

bool writeFileAtomically(const QString &path, const QByteArray &bytes) {
    // Unbuffered, because QSaveFile (Qt 6.4) does not notice when the flush in
    // its commit fails, and would put a truncated file in place of the old. A
    // short write is a full disk too: the file system wrote what still fitted.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
           file.write(bytes) == bytes.size() && file.commit();
}
