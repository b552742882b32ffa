#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path with bytes, all or nothing: on a full disk, a
// crash or any other failure the previous file stays as it was. False when
// the new content did not land whole.
bool writeFileAtomically(const QString &path, const QByteArray &bytes);
