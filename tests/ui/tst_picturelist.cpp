// The picture tab: the list editor, the dialogs it opens (and the font
// dialog), and the preview window.
#include "FakeServices.h"
#include "FontDialog.h"
#include "FrmPrev.h"
#include "PictureTab.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace {

const QString Rejected = QStringLiteral("\r\nは使用できないファイルです。");

PictureList listOf(const QStringList &paths) {
    PictureList list{paths, {}};
    for (const QString &p : paths)
        list.Titles << p.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
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
    // The paths listed, when the lines shown (a folder's without its count)
    // and the titles are their file names.
    QStringList files() const {
        QStringList shown;
        for (int i = 0; i < lst->count(); ++i)
            shown << lst->item(i)->text().section(" (", 0, 0);
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

// Runs check on the modal dialog once it is up; closes the dialog if check
// left it open, so that a failed check cannot hang the test.
template <typename T> void whenModal(const std::function<void(T *)> &check) {
    QTimer::singleShot(0, [check] {
        QWidget *modal = nullptr;
        QTRY_VERIFY((modal = QApplication::activeModalWidget()) != nullptr);
        QPointer<QWidget> guard(modal);
        auto *dialog = qobject_cast<T *>(modal);
        QVERIFY2(dialog, modal->metaObject()->className());
        check(dialog);
        if (auto *open = qobject_cast<QDialog *>(guard.data()); open && open->isVisible())
            open->reject();
    });
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

    void dropsAddLocalFilesAndFoldersInOrder() {
        Tab tab;
        tab.window.show();
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(m_b), QUrl::fromLocalFile(m_bad),
                       QUrl::fromLocalFile(m_dir.path()), QUrl::fromLocalFile(m_a)});
        QMimeData text; // a drop without files adds nothing
        text.setText(m_a);
        dropOn(tab.lst, &text);
        QVERIFY(dropOn(tab.lst, &files));
        // A folder is one line, its pictures counted once it is read.
        const QString folder = m_dir.path() + '/';
        QTRY_COMPARE(tab.files(), QStringList({m_b, folder, m_a}));
        QCOMPARE(tab.lst->item(1)->text(), QFileInfo(m_dir.path()).fileName() + " (…)");
        QCOMPARE(tab.dialogs.messages, QStringList({m_bad + Rejected}));
    }

    void cancellingProgressKeepsWhatWasAdded() {
        Tab tab;
        tab.dialogs.onMessage = [&] { tab.window.findChild<QProgressDialog *>()->cancel(); };
        tab.editor->addFiles({m_a, m_bad, m_b, m_c});
        QCOMPARE(tab.files(), QStringList({m_a}));
    }

    void listStopsAtTheLimit() {
        Tab tab;
        const QStringList full(MaxPictureCount - 1, m_a);
        tab.editor->setList(listOf(full));
        tab.editor->addFiles({m_bad, m_b, m_c, m_a});
        tab.editor->addFiles({m_c});
        QCOMPARE(tab.files(), full + QStringList{m_b});
        QCOMPARE(tab.dialogs.messages.size(), 3); // the rejected file, then the limit twice
        QCOMPARE(tab.dialogs.icons[1], Dialogs::Icon::Exclamation);
        QVERIFY(tab.dialogs.messages[1].contains("32767"));
    }

    // Both file dialogs get the filter in Qt's form, first entry selected;
    // matching here is case-sensitive, so upper-case camera names are added.
    void fileDialogsOfferTheFilterAndCancel() {
        QtDialogs dialogs;
        QList<QStringList> offered;
        QList<QFileDialog::FileMode> modes;
        const auto record = [&](QFileDialog *dialog) {
            modes << dialog->fileMode();
            offered << dialog->nameFilters();
            QCOMPARE(dialog->selectedNameFilter(), offered.last().value(0));
        };
        whenModal<QFileDialog>(record);
        QVERIFY(dialogs.openFiles(nullptr, PictureFilter).isEmpty());
        whenModal<QFileDialog>(record);
        QVERIFY(dialogs.openFile(nullptr, PictureFilter).isEmpty());
        QCOMPARE(modes, QList({QFileDialog::ExistingFiles, QFileDialog::ExistingFile}));
        QCOMPARE(offered.value(1),
                 QStringList({"画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif) (*.bmp *.jpg *.gif "
                              "*.BMP *.JPG *.GIF)",
                              "ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp) (*.bmp *.BMP)", "JPEGﾌｧｲﾙ(*.jpg) (*.jpg *.JPG)",
                              "GIFﾌｧｲﾙ(*.gif) (*.gif *.GIF)", "すべてのﾌｧｲﾙ(*.*) (*.*)"}));
        QCOMPARE(offered.value(0), offered.value(1));
    }

    void fontDialogKeepsSizesInRange() {
        const FontChoice initial{QStringLiteral("No Such Face Anywhere"), 72, QColor(10, 20, 30)};
        FontDialog dialog(initial);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("フォントの選択"));
        // A face the system lacks is kept rather than swapped; 72 is cut to 36.
        QCOMPARE(dialog.choice(), FontChoice({initial.name, 36, initial.color}));
        QLineEdit *size = dialog.findChild<QComboBox *>(QStringLiteral("fontSize"))->lineEdit();
        size->clear();
        QTest::keyClicks(size, QStringLiteral("13"));
        QCOMPARE(dialog.choice().pointSize, 13.0);
        QTest::keyClicks(size, QStringLiteral("9")); // 139 cannot be typed
        QCOMPARE(dialog.choice().pointSize, 13.0);
    }

    void previewSize() {
        for (auto [picture, screen, expected] :
             {std::tuple{QSize(1000, 333), 1283, QSize(256, 85)},
              {QSize(333, 1000), 1283, QSize(85, 256)},
              {QSize(500, 500), 1280, QSize(256, 256)}, // square takes the portrait rule
              {QSize(100000, 10), 1280, QSize(256, 0)},
              {QSize(2000000, 1900000), 100000, QSize(20000, 19000)}, // no overflow
              {QSize(0, 0), 1280, QSize()}})
            QCOMPARE(FrmPrev::previewSize(picture, screen), expected);
    }

    // Shown centred on its owner; a second picture refills the same window
    // where the user left it, an unloadable one leaves it as it was, and a
    // sliver still gets a window a pixel high.
    void previewWindow() {
        QWidget owner;
        owner.setGeometry(300, 200, 324, 403);
        owner.show();
        QPointer<FrmPrev> prev = new FrmPrev(&owner);
        auto show = [&](const char *name, QSize size) {
            return prev->showPicture(writePicture(m_dir.filePath(name), size), name, 1280);
        };
        QVERIFY(show("wide.png", QSize(1600, 1200)) && prev->isVisible() && !prev->isModal());
        QCOMPARE(prev->size(), QSize(256, 192));
        auto *img = prev->findChild<QLabel *>(QStringLiteral("imgPrev"));
        QCOMPARE(img->pixmap().toImage().pixelColor(128, 96), QColor(Qt::darkCyan));
        const QPoint offCentre = prev->frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY(offCentre.manhattanLength() <= 4);

        prev->move(40, 50);
        const QPoint left = prev->pos();
        QVERIFY(show("tall.png", QSize(300, 600)));
        QVERIFY(!prev->showPicture(m_dir.filePath("gone.jpg"), "x", 1280));
        QCOMPARE(prev->windowTitle(), QStringLiteral("tall.png"));
        QCOMPARE(prev->size(), QSize(128, 256));
        QCOMPARE(img->toolTip(), QStringLiteral("300×600"));
        QCOMPARE(prev->pos(), left);
        QVERIFY(show("strip.png", QSize(4000, 2)));
        QCOMPARE(prev->size(), QSize(256, 1));
        prev->close();
        QTRY_VERIFY(prev.isNull());
    }
};

QTEST_MAIN(TestPictureList)
#include "tst_picturelist.moc"
