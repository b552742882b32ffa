#include "LocalAccess.h"

#include <QDir>
#include <QStandardPaths>

#include <windows.h>

#include <sddl.h>

#include <vector>

namespace {

// The user a process runs as, as the token's SID; empty when it cannot be asked.
std::vector<BYTE> tokenUser(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size))
        user.clear();
    CloseHandle(token);
    return user;
}

PSID sidOf(std::vector<BYTE> &user) {
    return user.empty() ? nullptr : reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid;
}

} // namespace

QString LocalAccess::userKey() {
    std::vector<BYTE> user = tokenUser(GetCurrentProcess());
    LPWSTR text = nullptr;
    if (PSID sid = sidOf(user); sid && ConvertSidToStringSidW(sid, &text)) {
        const QString key = QString::fromWCharArray(text);
        LocalFree(text);
        return key;
    }
    return qEnvironmentVariable("USERDOMAIN") + QLatin1Char('\\') +
           qEnvironmentVariable("USERNAME");
}

QString LocalAccess::privateFolder(QString *error) {
    // The local application data folder sits in the profile, closed to other users.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString folder = base + QStringLiteral("/Mirell");
    if (base.isEmpty() || !QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot make %1").arg(QDir::toNativeSeparators(folder));
        return {};
    }
    return folder;
}

QString LocalAccess::serverAddress(const QString &, const QString &name) {
    // A pipe name; QLocalServer's user access option limits it to this user.
    return name;
}

bool LocalAccess::peerIsThisUser(qintptr descriptor) {
    ULONG pid = 0;
    if (!GetNamedPipeClientProcessId(reinterpret_cast<HANDLE>(descriptor), &pid))
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return false;
    std::vector<BYTE> peer = tokenUser(process);
    CloseHandle(process);
    std::vector<BYTE> self = tokenUser(GetCurrentProcess());
    const PSID peerSid = sidOf(peer), selfSid = sidOf(self);
    return peerSid && selfSid && EqualSid(peerSid, selfSid);
}
