#include "PictureTab.h"

#include "FakeServices.h"

#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

namespace {

const QString Rejected = QStringLiteral("\r\nは使用できないファイルです。");

PictureList listOf(const QStringList &paths) {
    PictureList list{paths, {}};
    for (const QString &p : paths)
        list.Titles << p.section(QLatin1Char('/'), -1);
    return list;
}

struct Tab : PictureTab {
    Tab() { editor->disableSelectionButtons(); }
    // The selection buttons as "DMUVPOL" (Del, Mirell, Up, Down, Prev, Open, Let),
    // lower case when disabled.
    QString enabled() const {
        QString states;
        for (const QPushButton *button :
             {b.cmdDel, b.cmdMirell, b.cmdUp, b.cmdDown, b.cmdPrev, b.cmdOpen, b.cmdLet})
            states += QLatin1Char("dmuvpolDMUVPOL"[states.size() + 7 * button->isEnabled()]);
        return states;
    }
    // The paths listed, when the lines shown and the titles are their file names.
    QStringList files() const {
        QStringList shown;
        for (int i = 0; i < lst->count(); ++i)
            shown << lst->item(i)->text();
        const PictureList &list = editor->list();
        return shown == list.Titles && list == listOf(list.Files) ? list.Files : QStringList{"?"};
    }
};

// A real drag entering the list's viewport and dropping there; true when the
// viewport accepted it as a copy.
bool dropOn(QListWidget *lst, QMimeData *data) {
    const QPoint at = lst->viewport()->rect().center();
    const auto actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(lst->viewport(), &enter);
    QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(lst->viewport(), &drop);
    return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

} // namespace

class TestPictureList : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_a, m_b, m_c, m_bad;

  private slots:
    void initTestCase() {
        m_a = writePicture(m_dir.filePath("a.jpg")), m_b = writePicture(m_dir.filePath("b.bmp"));
        m_c = writePicture(m_dir.filePath("c.gif.png")), m_bad = m_dir.filePath("bad.jpg");
        QVERIFY(!m_a.isEmpty() && !m_b.isEmpty() && !m_c.isEmpty());
        QFile bad(m_bad);
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("a note, not a photograph") > 0);
    }

    void addSkipsRejectedFilesAndKeepsDuplicates() {
        Tab tab;
        tab.editor->setList(listOf({m_c}));
        tab.editor->add(); // cancelled
        QStringList whileMessageOpen;
        tab.dialogs.onMessage = [&] { whileMessageOpen = tab.files(); };
        tab.dialogs.openFilesAnswers << QStringList{m_a, m_bad, m_c};
        tab.editor->add();
        QCOMPARE(tab.dialogs.filters, QStringList({PictureFilter, PictureFilter}));
        QCOMPARE(tab.files(), QStringList({m_c, m_a, m_c}));
        QCOMPARE(tab.dialogs.messages, QStringList{m_bad + Rejected});
        QCOMPARE(tab.dialogs.icons, QList{Dialogs::Icon::Critical});
        // The first file is completely in before the user reads about the second.
        QCOMPARE(whileMessageOpen, QStringList({m_c, m_a}));
    }

    // Moves, removal and replacement, each followed by the selection rules.
    void editingFollowsTheSelectionRules() {
        Tab tab;
        tab.window.show();
        tab.editor->setList(listOf({m_a, m_b, m_c, m_bad}));
        tab.lst->setCurrentRow(1);
        QCOMPARE(tab.enabled(), QStringLiteral("DMUVPOL"));
        tab.editor->moveUp();
        QCOMPARE(tab.files(), QStringList({m_b, m_a, m_c, m_bad}));
        QCOMPARE(tab.enabled(), QStringLiteral("DMuVPOL")); // at the top
        tab.editor->moveUp();                               // a stray call at the top
        tab.lst->setCurrentRow(2);
        tab.editor->moveDown();
        QCOMPARE(tab.files(), QStringList({m_b, m_a, m_bad, m_c}));
        QCOMPARE(tab.enabled(), QStringLiteral("DMUvPOL")); // at the bottom
        tab.editor->remove();
        QCOMPARE(tab.files(), QStringList({m_b, m_a, m_bad}));
        QCOMPARE(tab.enabled(), QStringLiteral("dmuvpol"));
        tab.editor->remove(); // nothing selected

        tab.lst->setCurrentRow(2);
        tab.dialogs.openFileAnswers << QString() << m_bad << m_c;
        for (int i = 0; i < 3; ++i)
            tab.editor->replace();
        QCOMPARE(tab.dialogs.filters, QStringList(3, PictureFilter));
        QCOMPARE(tab.dialogs.messages, QStringList({"使用できないファイルです。"}));
        QCOMPARE(tab.files(), QStringList({m_b, m_a, m_c}));
        QCOMPARE(tab.editor->selected(), 2);
        QCOMPARE(tab.enabled(), QStringLiteral("DMUvPOL"));
    }

    void dropsAddLocalFilesInOrder() {
        Tab tab;
        tab.window.show();
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(m_b), QUrl::fromLocalFile(m_bad),
                       QUrl::fromLocalFile(m_dir.path()), QUrl::fromLocalFile(m_a)});
        QMimeData text; // a drop without files adds nothing
        text.setText(m_a);
        dropOn(tab.lst, &text);
        QVERIFY(dropOn(tab.lst, &files));
        QTRY_COMPARE(tab.files(), QStringList({m_b, m_a}));
        QCOMPARE(tab.dialogs.messages, QStringList({m_bad + Rejected, m_dir.path() + Rejected}));
    }

    void cancellingProgressKeepsWhatWasAdded() {
        Tab tab;
        tab.dialogs.onMessage = [&] { tab.window.findChild<QProgressDialog *>()->cancel(); };
        tab.editor->addFiles({m_a, m_bad, m_b, m_c});
        QCOMPARE(tab.files(), QStringList({m_a}));
    }

    void listStopsAtTheLimit() {
        Tab tab;
        const QStringList full(PictureListEditor::MaxPictures - 1, m_a);
        tab.editor->setList(listOf(full));
        tab.editor->addFiles({m_bad, m_b, m_c, m_a});
        tab.editor->addFiles({m_c});
        QCOMPARE(tab.files(), full + QStringList{m_b});
        QCOMPARE(tab.dialogs.messages.size(), 3); // the rejected file, then the limit twice
        QCOMPARE(tab.dialogs.icons[1], Dialogs::Icon::Exclamation);
        QVERIFY(tab.dialogs.messages[1].contains("32767"));
    }
};

QTEST_MAIN(TestPictureList)
#include "tst_picturelist.moc"
