#include "Dialogs.h"

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

} // namespace

QStringList QtDialogs::openFiles(QWidget *parent, const QString &filter) {
    const QString qtFilter = toQtFilter(filter);
    QString selected = firstEntry(qtFilter);
    return QFileDialog::getOpenFileNames(parent, QString(), QString(), qtFilter, &selected);
}

QString QtDialogs::openFile(QWidget *parent, const QString &filter) {
    const QString qtFilter = toQtFilter(filter);
    QString selected = firstEntry(qtFilter);
    return QFileDialog::getOpenFileName(parent, QString(), QString(), qtFilter, &selected);
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
