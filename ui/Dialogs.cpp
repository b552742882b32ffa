#include "Dialogs.h"

#include "FileDialogCase.h"
#include "FontDialog.h"

#include <QFileDialog>
#include <QMessageBox>

QString toQtFilter(const QString &filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    // A description without its patterns (an odd last part) names nothing
    // the dialog could match, so it is left out.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << parts.at(i) + QStringLiteral(" (") + patterns.trimmed() + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

namespace {

QString firstEntry(const QString &qtFilter) {
    return qtFilter.section(QStringLiteral(";;"), 0, 0);
}

// GTK's native dialog matches patterns case by case, so camera files named
// "IMG_0001.JPG" would hide behind "*.jpg"; Windows matches without case.
QString dialogFilter(const QString &filter) {
    const QString qtFilter = toQtFilter(filter);
    if (!fileDialogsMatchCase())
        return qtFilter;
    QStringList entries = qtFilter.split(QStringLiteral(";;"));
    for (QString &entry : entries) {
        const qsizetype open = entry.lastIndexOf(QLatin1Char('('));
        if (open < 0 || !entry.endsWith(QLatin1Char(')')))
            continue;
        QStringList patterns = entry.mid(open + 1, entry.size() - open - 2).split(QLatin1Char(' '));
        for (const QString &pattern : QStringList(patterns)) {
            if (!patterns.contains(pattern.toUpper()))
                patterns << pattern.toUpper();
        }
        entry = entry.left(open + 1) + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace

QStringList QtDialogs::openFiles(QWidget *parent, const QString &filter) {
    const QString qtFilter = dialogFilter(filter);
    QString selected = firstEntry(qtFilter);
    return QFileDialog::getOpenFileNames(parent, QString(), QString(), qtFilter, &selected);
}

QString QtDialogs::openFile(QWidget *parent, const QString &filter) {
    const QString qtFilter = dialogFilter(filter);
    QString selected = firstEntry(qtFilter);
    return QFileDialog::getOpenFileName(parent, QString(), QString(), qtFilter, &selected);
}

QString QtDialogs::openFolder(QWidget *parent) {
    return QFileDialog::getExistingDirectory(parent);
}

std::optional<FontChoice> QtDialogs::chooseFont(QWidget *parent, const FontChoice &initial) {
    return FontDialog::ask(parent, initial);
}

void QtDialogs::message(QWidget *parent, const QString &text, Icon icon) {
    QString shown = text;
    // The messages carry Windows line breaks; a lone "\r" would show as a glyph.
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::Warning,
                    QStringLiteral("Mirell"), shown, QMessageBox::Ok, parent);
    box.exec();
}
