#pragma once

#include "Dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// Scripted dialogs for handler tests: answers are queued in advance and
// taken in order; an empty queue answers as a cancelled dialog would.
// Every call is recorded, so tests can also prove that no dialog appeared.
class FakeDialogs : public Dialogs {
  public:
    struct Message {
        QString text;
        Icon icon;
    };

    QList<QStringList> openFilesAnswers;
    QStringList openFileAnswers;
    QList<std::optional<FontChoice>> fontAnswers;

    QStringList filters;            // the filter of every file dialog, in call order
    QList<FontChoice> fontInitials; // what each font dialog was opened with
    QList<Message> messages;
    int openFilesCalls = 0;
    int openFileCalls = 0;
    // Runs while a message is "open", to check what the user would see behind it.
    std::function<void(const Message &)> onMessage;

    QStringList openFiles(QWidget *, const QString &filter) override {
        ++openFilesCalls;
        filters << filter;
        return openFilesAnswers.isEmpty() ? QStringList() : openFilesAnswers.takeFirst();
    }

    QString openFile(QWidget *, const QString &filter) override {
        ++openFileCalls;
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
