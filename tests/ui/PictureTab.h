#pragma once

#include "FakeDialogs.h"
#include "PictureListEditor.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

// The settings window's picture tab, reduced to what the editor touches.
struct PictureTab {
    QWidget window;
    QListWidget *lst = new QListWidget(&window);
    PictureListEditor::Buttons b{};
    FakeDialogs dialogs;
    std::unique_ptr<PictureListEditor> editor;

    PictureTab() {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(lst);
        for (QPushButton **button : {&b.cmdAdd, &b.cmdDel, &b.cmdMirell, &b.cmdUp, &b.cmdDown,
                                     &b.cmdPrev, &b.cmdOpen, &b.cmdLet, &b.cmdFolder})
            layout->addWidget(*button = new QPushButton(&window));
        editor = std::make_unique<PictureListEditor>(lst, b, dialogs, &window);
    }
};
