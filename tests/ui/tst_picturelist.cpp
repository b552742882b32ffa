#include "FakeDialogs.h"
#include "PictureListEditor.h"

#include <QElapsedTimer>
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
        QPushButton **all[] = {&b.cmdAdd,  &b.cmdDel,  &b.cmdMirell, &b.cmdUp,
                               &b.cmdDown, &b.cmdPrev, &b.cmdOpen,   &b.cmdLet};
        for (QPushButton **button : all) {
            *button = new QPushButton(&window);
            layout->addWidget(*button);
        }
        editor = std::make_unique<PictureListEditor>(lst, b, dialogs, &window);
        editor->disableSelectionButtons();
    }

    QList<QPushButton *> selectionButtons() const {
        return {b.cmdDel, b.cmdMirell, b.cmdUp, b.cmdDown, b.cmdPrev, b.cmdOpen, b.cmdLet};
    }
    QList<bool> enabled() const {
        QList<bool> states;
        for (QPushButton *button : selectionButtons())
            states << button->isEnabled();
        return states;
    }
    QStringList lines() const {
        QStringList texts;
        for (int i = 0; i < lst->count(); ++i)
            texts << lst->item(i)->text();
        return texts;
    }
    // Lines, paths and titles must pair up position for position.
    void verifyConsistent() const {
        const PictureList &list = editor->list();
        QCOMPARE(list.Files.size(), list.Titles.size());
        QCOMPARE(lines(), list.Titles);
        for (int i = 0; i < list.count(); ++i)
            QCOMPARE(list.Files.at(i).section(QLatin1Char('/'), -1), list.Titles.at(i));
    }
};

QMimeData *urlData(const QStringList &paths) {
    auto *data = new QMimeData;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    data->setUrls(urls);
    return data;
}

// A real drag entering the list's viewport and dropping there; true when the
// viewport accepted the drag.
bool dropOn(QListWidget *lst, QMimeData *data) {
    const QPoint at = lst->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(lst->viewport(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(lst->viewport(), &drop);
    return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

} // namespace

class TestPictureList : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_a, m_b, m_c, m_bad;

    QString picture(const QString &name, const char *format) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = m_dir.filePath(name);
        if (!image.save(path, format))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    PictureList listOf(const QStringList &paths) {
        PictureList list;
        for (const QString &p : paths) {
            list.Files << p;
            list.Titles << p.section(QLatin1Char('/'), -1);
        }
        return list;
    }

  private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_a = picture(QStringLiteral("a.jpg"), "JPEG");
        m_b = picture(QStringLiteral("b.bmp"), "BMP");
        m_c = picture(QStringLiteral("c.gif.png"), "PNG");
        m_bad = m_dir.filePath(QStringLiteral("bad.jpg"));
        QFile bad(m_bad);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("this is a note, not a photograph\n");
    }

    void cancelledDialogsAlterNothing() {
        Tab tab;
        tab.editor->setList(listOf({m_a, m_b, m_c}));
        tab.lst->setCurrentRow(1);
        const PictureList before = tab.editor->list();
        const QList<bool> buttons = tab.enabled();

        tab.editor->add();
        tab.editor->replace();

        QCOMPARE(tab.dialogs.openFilesCalls, 1);
        QCOMPARE(tab.dialogs.openFileCalls, 1);
        QCOMPARE(tab.dialogs.filters, QStringList({Filter, Filter}));
        QCOMPARE(tab.editor->list(), before);
        QCOMPARE(tab.lines(), before.Titles);
        QCOMPARE(tab.editor->selected(), 1);
        QCOMPARE(tab.enabled(), buttons);
        QVERIFY(tab.dialogs.messages.isEmpty());
    }

    void addSkipsRejectedFilesAndKeepsDuplicates() {
        Tab tab;
        tab.editor->setList(listOf({m_c}));
        int countWhileMessageOpen = -1;
        tab.dialogs.onMessage = [&](const FakeDialogs::Message &) {
            countWhileMessageOpen = tab.editor->count();
            tab.verifyConsistent();
        };
        tab.dialogs.openFilesAnswers << QStringList{m_a, m_bad, m_c};
        tab.editor->add();

        QCOMPARE(tab.lines(), QStringList({"c.gif.png", "a.jpg", "c.gif.png"}));
        QCOMPARE(tab.editor->list().Files, QStringList({m_c, m_a, m_c}));
        QCOMPARE(tab.dialogs.messages.size(), 1);
        QCOMPARE(tab.dialogs.messages[0].text, m_bad + "\r\nは使用できないファイルです。");
        QCOMPARE(tab.dialogs.messages[0].icon, Dialogs::Icon::Critical);
        // The first file is completely in before the user reads about the second.
        QCOMPARE(countWhileMessageOpen, 2);
        tab.verifyConsistent();
    }

    void selectionRulesFollowMoves() {
        Tab tab;
        tab.window.show();
        tab.editor->setList(listOf({m_a, m_b, m_c, m_bad}));
        QCOMPARE(tab.enabled(), QList<bool>(7, false));

        tab.lst->setCurrentRow(1);
        QCOMPARE(tab.enabled(), QList<bool>(7, true));

        tab.editor->moveUp();
        QCOMPARE(tab.lines(), QStringList({"b.bmp", "a.jpg", "c.gif.png", "bad.jpg"}));
        QCOMPARE(tab.editor->selected(), 0);
        QVERIFY(!tab.b.cmdUp->isEnabled());
        QVERIFY(tab.b.cmdDown->isEnabled());
        tab.verifyConsistent();

        tab.lst->setCurrentRow(2);
        tab.editor->moveDown();
        QCOMPARE(tab.lines(), QStringList({"b.bmp", "a.jpg", "bad.jpg", "c.gif.png"}));
        QCOMPARE(tab.editor->selected(), 3);
        QVERIFY(tab.b.cmdUp->isEnabled());
        QVERIFY(!tab.b.cmdDown->isEnabled());
        tab.verifyConsistent();

        // Adding does not re-run the rules; clicking the same line again does.
        tab.editor->addFiles({m_a});
        QVERIFY(!tab.b.cmdDown->isEnabled());
        QCOMPARE(tab.editor->selected(), 3);
        const QRect line = tab.lst->visualItemRect(tab.lst->item(3));
        QTest::mouseClick(tab.lst->viewport(), Qt::LeftButton, {}, line.center());
        QVERIFY(tab.b.cmdDown->isEnabled());

        // The ends of the list ignore a stray call.
        tab.lst->setCurrentRow(0);
        const PictureList before = tab.editor->list();
        tab.editor->moveUp();
        QCOMPARE(tab.editor->list(), before);
    }

    void removeClosesTheGap() {
        Tab tab;
        tab.editor->setList(listOf({m_a, m_b, m_c}));
        tab.lst->setCurrentRow(1);
        tab.editor->remove();
        QCOMPARE(tab.editor->list(), listOf({m_a, m_c}));
        QCOMPARE(tab.editor->selected(), -1);
        QCOMPARE(tab.enabled(), QList<bool>(7, false));
        tab.verifyConsistent();

        tab.editor->remove(); // nothing selected
        QCOMPARE(tab.editor->count(), 2);

        tab.editor->setList(listOf({m_b}));
        tab.lst->setCurrentRow(0);
        tab.editor->remove();
        QCOMPARE(tab.editor->count(), 0);
        QVERIFY(tab.editor->list().Files.isEmpty());
        QVERIFY(tab.editor->list().Titles.isEmpty());
        QCOMPARE(tab.enabled(), QList<bool>(7, false));

        tab.editor->addFiles({m_c});
        QCOMPARE(tab.editor->list(), listOf({m_c}));
    }

    void replaceKeepsPositionOrRejects() {
        Tab tab;
        tab.editor->setList(listOf({m_a, m_b, m_c}));
        tab.lst->setCurrentRow(1);
        const QList<bool> buttons = tab.enabled();

        tab.dialogs.openFileAnswers << m_bad;
        tab.editor->replace();
        QCOMPARE(tab.editor->list(), listOf({m_a, m_b, m_c}));
        QCOMPARE(tab.dialogs.messageTexts(), QStringList({"使用できないファイルです。"}));
        QCOMPARE(tab.dialogs.messages[0].icon, Dialogs::Icon::Critical);

        tab.dialogs.openFileAnswers << m_c;
        tab.editor->replace();
        QCOMPARE(tab.editor->list(), listOf({m_a, m_c, m_c}));
        QCOMPARE(tab.lines().at(1), "c.gif.png");
        QCOMPARE(tab.editor->selected(), 1);
        QCOMPARE(tab.enabled(), buttons);
    }

    void dropsTakeLocalFilesOnly() {
        Tab tab;
        tab.window.show();
        std::unique_ptr<QMimeData> files(urlData({m_b, m_bad, m_dir.path(), m_a}));
        QVERIFY(dropOn(tab.lst, files.get()));
        QTRY_COMPARE(tab.editor->count(), 2);
        QCOMPARE(tab.editor->list(), listOf({m_b, m_a}));
        QCOMPARE(tab.dialogs.messageTexts(),
                 QStringList({m_bad + "\r\nは使用できないファイルです。",
                              m_dir.path() + "\r\nは使用できないファイルです。"}));

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
        QStringList many;
        for (int i = 0; i < PictureListEditor::MaxPictures - 1; ++i)
            many << m_a;
        const PictureList full = listOf(many);
        tab.editor->setList(full);

        tab.editor->addFiles({m_bad, m_b, m_c, m_a});
        QCOMPARE(tab.editor->count(), PictureListEditor::MaxPictures);
        QCOMPARE(tab.editor->list().Files.mid(0, full.count()), full.Files);
        QCOMPARE(tab.editor->list().Files.last(), m_b);
        QCOMPARE(tab.dialogs.messages.size(), 2); // the rejected file, then the limit
        QCOMPARE(tab.dialogs.messages[1].icon, Dialogs::Icon::Exclamation);
        QVERIFY(tab.dialogs.messages[1].text.contains("32767"));
        tab.verifyConsistent();

        tab.editor->addFiles({m_c});
        QCOMPARE(tab.editor->count(), PictureListEditor::MaxPictures);
        QCOMPARE(tab.dialogs.messages.size(), 3);
    }
};

QTEST_MAIN(TestPictureList)
#include "tst_picturelist.moc"
