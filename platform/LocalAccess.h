#pragma once

#include <QString>
#include <QtGlobal>

// What keeps one user's running copy out of another user's reach: names and
// a folder of this user's own, and the system's word on who is at the other
// end of a local connection.
namespace LocalAccess {

// This user, for names no other user's copy may share.
QString userKey();

// A folder only this user can enter, for the single-instance lock and the
// control socket: the session's runtime folder when it is private, else one
// of ours under the user's cache folder, made when missing. Empty, with the
// reason, when that one belongs to someone else or cannot be made private.
QString privateFolder(QString *error);

// Where the local server called name listens: a socket file in folder, or a
// pipe name where local servers are not files.
QString serverAddress(const QString &folder, const QString &name);

// Whether the process at the other end of a connected local socket runs as
// this user.
bool peerIsThisUser(qintptr descriptor);

} // namespace LocalAccess
