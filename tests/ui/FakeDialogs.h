#pragma once

#include "Dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// Scripted dialogs: answers are taken in order, an empty queue answers as a
// cancelled dialog would, and every call is recorded.
class FakeDialogs : public Dialogs {
  public:
    struct Message {
        QString text;
        Icon icon;
    };

    QList<QStringList> openFilesAnswers;
    QStringList openFileAnswers;
    QList<std::optional<FontChoice>> fontAnswers;

    QStringList filters; // of every file dialog, in call order
    QList<FontChoice> fontInitials;
    QList<Message> messages;
    std::function<void(const Message &)> onMessage; // runs while the message is "open"

    QStringList openFiles(QWidget *, const QString &filter) override {
        filters << filter;
        return openFilesAnswers.isEmpty() ? QStringList() : openFilesAnswers.takeFirst();
    }
    QString openFile(QWidget *, const QString &filter) override {
        filters << filter;
        return openFileAnswers.isEmpty() ? QString() : openFileAnswers.takeFirst();
    }
    std::optional<FontChoice> chooseFont(QWidget *, const FontChoice &initial) override {
        fontInitials << initial;
        return fontAnswers.isEmpty() ? std::nullopt : fontAnswers.takeFirst();
    }
    void message(QWidget *, const QString &text, Icon icon) override {
        messages << Message{text, icon};
        if (onMessage)
            onMessage(messages.constLast());
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const Message &m : messages)
            texts << m.text;
        return texts;
    }
};
