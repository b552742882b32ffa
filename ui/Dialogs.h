#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

struct FontChoice {
    QString name;
    double pointSize = 12;
    QColor color = Qt::black;
    bool operator==(const FontChoice &) const = default;
};

// Every dialog and message box of the settings window, so that tests can
// script them.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    enum class Icon { Critical, Exclamation };

    // filter: the program's own form, "description|patterns|description|patterns...".
    // Full paths of the chosen files in the order the dialog lists them;
    // empty when cancelled.
    virtual QStringList openFiles(QWidget *parent, const QString &filter) = 0;
    // One file; empty when cancelled.
    virtual QString openFile(QWidget *parent, const QString &filter) = 0;
    // One folder; empty when cancelled.
    virtual QString openFolder(QWidget *parent) = 0;
    // Typeface, size (8 to 36) and colour; nullopt when cancelled.
    virtual std::optional<FontChoice> chooseFont(QWidget *parent, const FontChoice &initial) = 0;
    // A message box titled "Mirell" with an OK button.
    virtual void message(QWidget *parent, const QString &text, Icon icon) = 0;
};

// The real dialogs: QFileDialog, our FontDialog, QMessageBox.
class QtDialogs : public Dialogs {
  public:
    QStringList openFiles(QWidget *parent, const QString &filter) override;
    QString openFile(QWidget *parent, const QString &filter) override;
    QString openFolder(QWidget *parent) override;
    std::optional<FontChoice> chooseFont(QWidget *parent, const FontChoice &initial) override;
    void message(QWidget *parent, const QString &text, Icon icon) override;
};

// "a|b|c|d" to QFileDialog's "a (b);;c (d)", descriptions unchanged and ";"
// between patterns turned into blanks.
QString toQtFilter(const QString &filter);
