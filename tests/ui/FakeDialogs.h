#pragma once

#include "Dialogs.h"

#include <QStringList>

#include <functional>
#include <optional>

// Scripted dialogs: answers are taken in order, an empty queue answers as a
// cancelled dialog would, and every call is recorded.
class FakeDialogs : public Dialogs {
  public:
    QList<QStringList> openFilesAnswers;
    QList<std::optional<FontChoice>> fontAnswers;
    QStringList openFileAnswers, messages; // openFileAnswers: of the file and the folder dialog
    QList<FontChoice> fontInitials;
    QList<Icon> icons;               // of the messages
    std::function<void()> onMessage; // runs while the message is "open"

    QStringList openFiles(QWidget *, const QString &) override {
        return openFilesAnswers.isEmpty() ? QStringList() : openFilesAnswers.takeFirst();
    }
    QString openFile(QWidget *parent, const QString &) override { return openFolder(parent); }
    QString openFolder(QWidget *) override {
        return openFileAnswers.isEmpty() ? QString() : openFileAnswers.takeFirst();
    }
    std::optional<FontChoice> chooseFont(QWidget *, const FontChoice &initial) override {
        fontInitials << initial;
        return fontAnswers.isEmpty() ? std::nullopt : fontAnswers.takeFirst();
    }
    void message(QWidget *, const QString &text, Icon icon) override {
        messages << text;
        icons << icon;
        if (onMessage)
            onMessage();
    }
};
