#pragma once

#include "Settings.h"

#include <QList>
#include <QObject>
#include <QUrl>

#include <array>

class Dialogs;
class FolderIndex;
class QListWidget;
class QPushButton;
class QWidget;

// The picture tab's list and its editing buttons: lstImages, the parallel
// Files/Titles, the picture check, and the rules that enable the seven
// selection buttons.
class PictureListEditor : public QObject {
    Q_OBJECT
  public:
    struct Buttons {
        QPushButton *cmdAdd, *cmdDel, *cmdMirell, *cmdUp, *cmdDown, *cmdPrev, *cmdOpen, *cmdLet,
            *cmdFolder;
    };
    // Connects the buttons and takes file drops on the list.
    PictureListEditor(QListWidget *lstImages, const Buttons &buttons, Dialogs &dialogs,
                      QWidget *dialogParent);

    // The message naming a file that is not a usable picture.
    static QString rejectionText(const QString &path);
    // Folder lines show their picture count from index, which also reads
    // the folders added here before OK.
    void setFolderIndex(FolderIndex *index);

    // Replaces the lines by a stored list (selection cleared).
    void setList(const PictureList &list);
    const PictureList &list() const { return m_list; }
    int count() const;
    int selected() const; // 0-based, -1 for none
    void disableSelectionButtons();

    // Handlers, public so that tests drive them as a click would.
    void add();                              // cmdAdd
    void addFolder();                        // cmdFolder
    void addFiles(const QStringList &paths); // dropped files, in drop order
    void replace();                          // cmdMirell
    void remove();                           // cmdDel
    void moveUp();                           // cmdUp
    void moveDown();                         // cmdDown
    void applySelectionRules();              // lstImages click

  signals:
    void previewRequested(int index);
    void openRequested(int index);
    void applyRequested(int index); // cmdLet

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    QListWidget *m_lst;
    std::array<QObject *, 2> m_watched{}; // the list and its viewport
    Buttons m_buttons;
    Dialogs &m_dialogs;
    QWidget *m_parent;
    PictureList m_list;
    bool m_quiet = false; // selection changes made by the editor itself
    bool m_busy = false;  // an add is running (its progress dialog processes events)

    FolderIndex *m_folders = nullptr;

    void append(const QString &path, const QString &title);
    // The row's text: a folder line's title with its picture count.
    void showRow(int row);
    void listChanged();
    void swapEntries(int from, int to);
};
