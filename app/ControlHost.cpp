#include "ControlHost.h"

#include "ControlFactory.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <QSet>

namespace {

bool listsKey(const QJsonObject &meta, const QString &progId) {
    const QJsonArray keys =
        meta.value(QLatin1String("MetaData")).toObject().value(QLatin1String("Keys")).toArray();
    for (const QJsonValue &key : keys) {
        if (key.toString() == progId)
            return true;
    }
    return false;
}

// Identifiers read "Library.Class"; a file named after the library that is
// not a readable plugin is most likely a damaged copy of the one wanted, which
// is worth telling the user. Other unreadable files (the program itself, Qt's
// own libraries beside it) are none of their concern.
bool namedLikeLibraryOf(const QString &file, const QString &progId) {
    QString base = QFileInfo(file).completeBaseName();
    if (base.startsWith(QLatin1String("lib")))
        base.remove(0, 3);
    const QString library = progId.section(QLatin1Char('.'), 0, 0);
    return !library.isEmpty() && base.compare(library, Qt::CaseInsensitive) == 0;
}

QString nativePath(const QString &path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

ControlHost::ControlHost() {
    const QString programDir = programFolder();
    if (programDir.isEmpty())
        return; // nothing to search: the user is told no library offers the control
    m_folders = QStringList{
        programDir, programDir + QLatin1String("/plugins"),
        QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(MIRELL_PLUGIN_RELATIVE_DIR)))};
}

ControlHost::ControlHost(QStringList folders) : m_folders(std::move(folders)) {}

QStringList ControlHost::candidateFiles() const {
    QStringList files;
    QSet<QString> seen; // a library reached through several links is tried once
    for (const QString &folder : m_folders) {
        if (QDir::isRelativePath(folder))
            continue;
        const QDir dir(folder);
        const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo &entry : entries) {
            if (!QLibrary::isLibrary(entry.fileName()))
                continue;
            const QString canonical = entry.canonicalFilePath();
            if (canonical.isEmpty() || seen.contains(canonical))
                continue;
            seen.insert(canonical);
            files << entry.absoluteFilePath();
        }
    }
    return files;
}

QObject *ControlHost::createControl(const QString &progId, QObject *parent, QString *error) const {
    const QString wantedIid = QLatin1String(ControlFactory_iid);
    // The furthest a candidate got decides the short reason; the notes say
    // what happened to each file that came close.
    QString reason = QStringLiteral("このコントロールを含むライブラリが見つかりません。");
    QStringList notes;

    for (const QString &file : candidateFiles()) {
        QPluginLoader loader(file);
        const QJsonObject meta = loader.metaData();
        if (meta.isEmpty()) {
            if (namedLikeLibraryOf(file, progId)) {
                reason = QStringLiteral("ライブラリが壊れているか、プラグインではありません。");
                // Qt's text already names the full path.
                notes << QStringLiteral("%1 is not a readable plugin: %2")
                             .arg(QFileInfo(file).fileName(), loader.errorString());
            }
            continue;
        }
        if (!listsKey(meta, progId))
            continue;
        const QString iid = meta.value(QLatin1String("IID")).toString();
        if (iid != wantedIid) {
            reason = QStringLiteral("ライブラリがコントロールの作成に対応していません。");
            notes << QStringLiteral("%1 lists it but offers the interface \"%2\", not \"%3\".")
                         .arg(nativePath(file), iid, wantedIid);
            continue;
        }
        if (!loader.load()) {
            reason = QStringLiteral("ライブラリを読み込めません。");
            notes << QStringLiteral("%1 could not be loaded (%2).")
                         .arg(nativePath(file), loader.errorString());
            continue;
        }
        auto *factory = qobject_cast<ControlFactory *>(loader.instance());
        if (!factory) {
            reason = QStringLiteral("ライブラリがコントロールの作成に対応していません。");
            notes << QStringLiteral("%1 does not offer the interface \"%2\".")
                         .arg(nativePath(file), wantedIid);
            continue;
        }
        if (QObject *control = factory->create(progId, parent)) {
            if (error)
                error->clear();
            return control;
        }
        reason = QStringLiteral("ライブラリがコントロールを作成しませんでした。");
        notes << QStringLiteral("%1 lists it but did not create it.").arg(nativePath(file));
    }

    if (error) {
        QStringList searched;
        for (const QString &folder : m_folders)
            searched << nativePath(folder);
        QString text = QStringLiteral("コントロール \"%1\" を作成できませんでした。%2\n\n"
                                      "Cannot create the control \"%1\".")
                           .arg(progId, reason);
        if (searched.isEmpty())
            text += QStringLiteral(" The program's own folder cannot be found, or its name is "
                                   "not valid text.");
        else if (notes.isEmpty())
            text += QStringLiteral(" No library offers it in: %1.")
                        .arg(searched.join(QLatin1String(", ")));
        else
            text += QLatin1Char('\n') + notes.join(QLatin1Char('\n'));
        *error = text;
    }
    return nullptr;
}
