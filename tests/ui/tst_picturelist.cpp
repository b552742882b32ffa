#include "FakeDialogs.h"
#include "PictureListEditor.h"

#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

const QString Filter = QStringLiteral(
    "画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif)|*.bmp;*.jpg;*.gif|ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)|*.bmp|JPEGﾌｧｲﾙ(*.jpg)|*.jpg|"
    "GIFﾌｧｲﾙ(*.gif)|*.gif|すべてのﾌｧｲﾙ(*.*)|*.*");
const QString Rejected = QStringLiteral("\r\nは使用できないファイルです。");

// The settings window's picture tab, reduced to what the editor touches.
struct Tab {
    QWidget window;
    QListWidget *lst = new QListWidget(&window);
    PictureListEditor::Buttons b{};
    FakeDialogs dialogs;
    std::unique_ptr<PictureListEditor> editor;

    Tab() {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(lst);
        for (QPushButton **button : {&b.cmdAdd, &b.cmdDel, &b.cmdMirell, &b.cmdUp, &b.cmdDown,
                                     &b.cmdPrev, &b.cmdOpen, &b.cmdLet})
            layout->addWidget(*button = new QPushButton(&window));
        editor = std::make_unique<PictureListEditor>(lst, b, dialogs, &window);
        editor->disableSelectionButtons();
    }
    // The selection buttons as "DMUVPOL" (Del, Mirell, Up, Down, Prev, Open, Let),
    // lower case when disabled.
    QString enabled() const {
        const QPushButton *buttons[] = {b.cmdDel,  b.cmdMirell, b.cmdUp, b.cmdDown,
                                        b.cmdPrev, b.cmdOpen,   b.cmdLet};
        QString states;
        for (int i = 0; i < 7; ++i)
            states += QLatin1Char(buttons[i]->isEnabled() ? "DMUVPOL"[i] : "dmuvpol"[i]);
        return states;
    }
    // The lines shown, after checking they pair up with paths and titles.
    QStringList lines() const {
        const PictureList &list = editor->list();
        QStringList texts;
        for (int i = 0; i < lst->count(); ++i)
            texts << lst->item(i)->text();
        if (texts != list.Titles || list.Files.size() != list.Titles.size())
            return {QStringLiteral("lines, paths and titles differ")};
        for (int i = 0; i < list.count(); ++i) {
            if (list.Files.at(i).section(QLatin1Char('/'), -1) != list.Titles.at(i))
                return {QStringLiteral("title %1 is not its path's").arg(i)};
        }
        return texts;
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

    PictureList listOf(const QStringList &paths) {
        PictureList list{paths, {}};
        for (const QString &p : paths)
            list.Titles << p.section(QLatin1Char('/'), -1);
        return list;
    }

  private slots:
    void initTestCase() {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        m_a = m_dir.filePath("a.jpg");
        m_b = m_dir.filePath("b.bmp");
        m_c = m_dir.filePath("c.gif.png");
        QVERIFY(image.save(m_a, "JPEG") && image.save(m_b, "BMP") && image.save(m_c, "PNG"));
        m_bad = m_dir.filePath(QStringLiteral("bad.jpg"));
        QFile bad(m_bad);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("this is a note, not a photograph\n");
    }

    void cancelledDialogsAlterNothing() {
        Tab tab;
        tab.editor->setList(listOf({m_a, m_b, m_c}));
        tab.lst->setCurrentRow(1);
        tab.editor->add();
        tab.editor->replace();
        QCOMPARE(tab.dialogs.filters, QStringList({Filter, Filter}));
        QCOMPARE(tab.editor->list(), listOf({m_a, m_b, m_c}));
        QCOMPARE(tab.lines(), QStringList({"a.jpg", "b.bmp", "c.gif.png"}));
        QCOMPARE(tab.editor->selected(), 1);
        QCOMPARE(tab.enabled(), QStringLiteral("DMUVPOL"));
        QVERIFY(tab.dialogs.messages.isEmpty());
    }

    void addSkipsRejectedFilesAndKeepsDuplicates() {
        Tab tab;
        tab.editor->setList(listOf({m_c}));
        QStringList linesWhileMessageOpen;
        tab.dialogs.onMessage = [&](const FakeDialogs::Message &) {
            linesWhileMessageOpen = tab.lines();
        };
        tab.dialogs.openFilesAnswers << QStringList{m_a, m_bad, m_c};
        tab.editor->add();
        QCOMPARE(tab.editor->list(), listOf({m_c, m_a, m_c}));
        QCOMPARE(tab.lines(), QStringList({"c.gif.png", "a.jpg", "c.gif.png"}));
        QCOMPARE(tab.dialogs.messageTexts(), QStringList{m_bad + Rejected});
        QCOMPARE(tab.dialogs.messages[0].icon, Dialogs::Icon::Critical);
        // The first file is completely in before the user reads about the second.
        QCOMPARE(linesWhileMessageOpen, QStringList({"c.gif.png", "a.jpg"}));
    }

    void selectionRulesFollowMoves() {
        Tab tab;
        tab.window.show();
        tab.editor->setList(listOf({m_a, m_b, m_c, m_bad}));
        QCOMPARE(tab.enabled(), QStringLiteral("dmuvpol"));
        tab.lst->setCurrentRow(1);
        QCOMPARE(tab.enabled(), QStringLiteral("DMUVPOL"));

        tab.editor->moveUp();
        QCOMPARE(tab.lines(), QStringList({"b.bmp", "a.jpg", "c.gif.png", "bad.jpg"}));
        QCOMPARE(tab.editor->selected(), 0);
        QCOMPARE(tab.enabled(), QStringLiteral("DMuVPOL"));
        tab.lst->setCurrentRow(2);
        tab.editor->moveDown();
        QCOMPARE(tab.lines(), QStringList({"b.bmp", "a.jpg", "bad.jpg", "c.gif.png"}));
        QCOMPARE(tab.editor->selected(), 3);
        QCOMPARE(tab.enabled(), QStringLiteral("DMUvPOL"));

        // Adding does not re-run the rules; clicking the same line again does.
        tab.editor->addFiles({m_a});
        QCOMPARE(tab.enabled(), QStringLiteral("DMUvPOL"));
        const QRect line = tab.lst->visualItemRect(tab.lst->item(3));
        QTest::mouseClick(tab.lst->viewport(), Qt::LeftButton, {}, line.center());
        QCOMPARE(tab.enabled(), QStringLiteral("DMUVPOL"));

        tab.lst->setCurrentRow(0);
        tab.editor->moveUp(); // a stray call at the top
        QCOMPARE(tab.lines(), QStringList({"b.bmp", "a.jpg", "bad.jpg", "c.gif.png", "a.jpg"}));
    }

    void removeClosesTheGap() {
        Tab tab;
        tab.editor->setList(listOf({m_a, m_b, m_c}));
        tab.lst->setCurrentRow(1);
        tab.editor->remove();
        QCOMPARE(tab.editor->list(), listOf({m_a, m_c}));
        QCOMPARE(tab.lines(), QStringList({"a.jpg", "c.gif.png"}));
        QCOMPARE(tab.editor->selected(), -1);
        QCOMPARE(tab.enabled(), QStringLiteral("dmuvpol"));
        tab.editor->remove(); // nothing selected
        QCOMPARE(tab.editor->count(), 2);
    }

    void replaceKeepsPositionOrRejects() {
        Tab tab;
        tab.editor->setList(listOf({m_a, m_b, m_c}));
        tab.lst->setCurrentRow(1);
        tab.dialogs.openFileAnswers << m_bad << m_c;
        tab.editor->replace();
        QCOMPARE(tab.editor->list(), listOf({m_a, m_b, m_c}));
        QCOMPARE(tab.dialogs.messageTexts(), QStringList({"使用できないファイルです。"}));
        QCOMPARE(tab.dialogs.messages[0].icon, Dialogs::Icon::Critical);
        tab.editor->replace();
        QCOMPARE(tab.editor->list(), listOf({m_a, m_c, m_c}));
        QCOMPARE(tab.lines(), QStringList({"a.jpg", "c.gif.png", "c.gif.png"}));
        QCOMPARE(tab.editor->selected(), 1);
        QCOMPARE(tab.enabled(), QStringLiteral("DMUVPOL"));
    }

    void dropsTakeLocalFilesOnly() {
        Tab tab;
        tab.window.show();
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(m_b), QUrl::fromLocalFile(m_bad),
                       QUrl::fromLocalFile(m_dir.path()), QUrl::fromLocalFile(m_a)});
        QVERIFY(dropOn(tab.lst, &files));
        QTRY_COMPARE(tab.editor->list(), listOf({m_b, m_a}));
        QCOMPARE(tab.dialogs.messageTexts(),
                 QStringList({m_bad + Rejected, m_dir.path() + Rejected}));

        QMimeData text;
        text.setText(m_c);
        QVERIFY(!dropOn(tab.lst, &text));
        QMimeData remote;
        remote.setUrls({QUrl(QStringLiteral("https://example.org/sea.jpg"))});
        QVERIFY(!dropOn(tab.lst, &remote));
        QTest::qWait(50);
        QCOMPARE(tab.editor->count(), 2);
        QCOMPARE(tab.dialogs.messages.size(), 2);
    }

    void cancellingProgressKeepsWhatWasAdded() {
        Tab tab;
        tab.dialogs.onMessage = [&](const FakeDialogs::Message &) {
            auto *progress = tab.window.findChild<QProgressDialog *>();
            QVERIFY(progress);
            progress->cancel();
        };
        tab.editor->addFiles({m_a, m_bad, m_b, m_c});
        QCOMPARE(tab.editor->list(), listOf({m_a}));
    }

    void listStopsAtTheLimit() {
        Tab tab;
        const PictureList full = listOf(QStringList(PictureListEditor::MaxPictures - 1, m_a));
        tab.editor->setList(full);
        tab.editor->addFiles({m_bad, m_b, m_c, m_a});
        QCOMPARE(tab.editor->count(), PictureListEditor::MaxPictures);
        QCOMPARE(tab.editor->list().Files, full.Files + QStringList{m_b});
        QCOMPARE(tab.dialogs.messages.size(), 2); // the rejected file, then the limit
        QCOMPARE(tab.dialogs.messages[1].icon, Dialogs::Icon::Exclamation);
        QVERIFY(tab.dialogs.messages[1].text.contains("32767"));
        QCOMPARE(tab.lines().size(), PictureListEditor::MaxPictures);

        tab.editor->addFiles({m_c});
        QCOMPARE(tab.editor->count(), PictureListEditor::MaxPictures);
        QCOMPARE(tab.dialogs.messages.size(), 3);
    }
};

QTEST_MAIN(TestPictureList)
#include "tst_picturelist.moc"
