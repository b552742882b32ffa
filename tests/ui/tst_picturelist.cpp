// The picture tab: the list editor, the dialogs it opens (and the font
// dialog), and the preview window.
#include "DataTable.h"
#include "FakeDialogs.h"
#include "FakeServices.h"
#include "FontDialog.h"
#include "FrmPrev.h"
#include "PictureListEditor.h"

#include <QtTest>
#include <QtWidgets>

namespace {

PictureList listOf(const QStringList &paths) {
    PictureList list{paths, {}};
    for (const QString &p : paths)
        list.Titles << p.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
    return list;
}

// The settings window's picture tab, reduced to what the editor touches.
struct Tab {
    QWidget window;
    QListWidget *lst = new QListWidget(&window);
    PictureListEditor::Buttons b{};
    FakeDialogs dialogs;
    std::unique_ptr<PictureListEditor> editor;

    Tab() {
        for (QPushButton **button : {&b.cmdAdd, &b.cmdDel, &b.cmdMirell, &b.cmdUp, &b.cmdDown,
                                     &b.cmdPrev, &b.cmdOpen, &b.cmdLet, &b.cmdFolder})
            *button = new QPushButton(&window);
        editor = std::make_unique<PictureListEditor>(lst, b, dialogs, &window);
    }
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

} // namespace

class TestPictureList : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_a = writePicture(m_dir.filePath("a.jpg")),
                  m_b = writePicture(m_dir.filePath("b.bmp")),
                  m_c = writePicture(m_dir.filePath("c.gif.png")),
                  m_bad = MIRELL_SOURCE_DIR "/tests/ui/CMakeLists.txt";

  private slots:
    // Files are added in the dialog's order, duplicates too; a rejected one is
    // named once those before it are in, and stopping the progress there keeps them.
    void addFromTheDialog() {
        Tab tab;
        tab.editor->setList(listOf({m_c}));
        QStringList whileMessageOpen;
        tab.dialogs.onMessage = [&] {
            whileMessageOpen = tab.files();
            tab.window.findChild<QProgressDialog *>()->cancel();
        };
        tab.dialogs.openFilesAnswers << QStringList{m_a, m_c, m_bad, m_b};
        tab.editor->add();
        QCOMPARE(tab.files(), QStringList({m_c, m_a, m_c}));
        QCOMPARE(whileMessageOpen, tab.files());
        QCOMPARE(tab.dialogs.messages, QStringList{m_bad + "\r\nは使用できないファイルです。"});
    }

    // Moves, removal and replacement, each followed by the selection rules.
    void editingFollowsTheSelectionRules() {
        Tab tab;
        tab.window.show();
        tab.editor->setList(listOf({m_a, m_b, m_c, m_bad}));
        const auto state = [&] { return tab.files() << tab.enabled(); };
        tab.lst->setCurrentRow(1);
        QCOMPARE(tab.enabled(), QStringLiteral("DMUVPOL"));
        tab.editor->moveUp();
        QCOMPARE(state(), QStringList({m_b, m_a, m_c, m_bad, "DMuVPOL"})); // at the top
        tab.editor->moveUp(); // a stray call at the top
        tab.lst->setCurrentRow(2);
        tab.editor->moveDown();
        QCOMPARE(state(), QStringList({m_b, m_a, m_bad, m_c, "DMUvPOL"})); // at the bottom
        tab.editor->remove();
        QCOMPARE(state(), QStringList({m_b, m_a, m_bad, "dmuvpol"}));
        tab.editor->remove(); // nothing selected

        tab.lst->setCurrentRow(2);
        tab.dialogs.openFileAnswers << QString() << m_bad << m_c;
        for (int i = 0; i < 3; ++i)
            tab.editor->replace();
        QCOMPARE(tab.dialogs.messages, QStringList({"使用できないファイルです。"}));
        QCOMPARE(state(), QStringList({m_b, m_a, m_c, "DMUvPOL"}));
    }

    // Dropped files and folders are taken in drop order, as a copy; a folder
    // is one line, its pictures counted once it is read.
    void drops() {
        Tab tab;
        tab.window.show();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(m_b), QUrl::fromLocalFile(m_dir.path()),
                      QUrl::fromLocalFile(m_a)});
        const QPoint at = tab.lst->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(tab.lst->viewport(), &enter);
        QCoreApplication::sendEvent(tab.lst->viewport(), &drop);
        QVERIFY(enter.isAccepted() && drop.isAccepted());
        QCOMPARE(QList({enter.dropAction(), drop.dropAction()}),
                 QList({Qt::CopyAction, Qt::CopyAction}));
        QTRY_COMPARE(tab.files(), QStringList({m_b, m_dir.path() + '/', m_a}));
        QCOMPARE(tab.lst->item(1)->text(), QFileInfo(m_dir.path()).fileName() + " (…)");
    }

    void listStopsAtTheLimit() {
        Tab tab;
        const QStringList full(MaxPictureCount - 1, m_a);
        tab.editor->setList(listOf(full));
        tab.editor->addFiles({m_bad, m_b, m_c, m_a});
        tab.editor->addFiles({m_c});
        QCOMPARE(tab.files(), full + QStringList{m_b});
        // The rejected file, then the limit twice.
        QCOMPARE(tab.dialogs.icons, QList({Dialogs::Icon::Critical, Dialogs::Icon::Exclamation,
                                           Dialogs::Icon::Exclamation}));
    }

    // Both file dialogs get the filter in Qt's form, first entry selected;
    // matching here is case-sensitive, so upper-case camera names are added.
    void fileDialogs_data() {
        const auto row = addColumns<QFileDialog::FileMode>({"mode"});
        row("several files", QFileDialog::ExistingFiles);
        row("one file", QFileDialog::ExistingFile);
    }
    void fileDialogs() {
        QFETCH(QFileDialog::FileMode, mode);
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            seen << QString::number(dialog->fileMode()) << dialog->selectedNameFilter()
                 << dialog->nameFilters();
            dialog->reject();
        });
        QtDialogs dialogs;
        const QString filter = QStringLiteral("画像(*.bmp;*.jpg)|*.bmp;*.jpg|すべて(*.*)|*.*");
        QVERIFY(mode == QFileDialog::ExistingFiles ? dialogs.openFiles(nullptr, filter).isEmpty()
                                                   : dialogs.openFile(nullptr, filter).isEmpty());
        const QString pictures = QStringLiteral("画像(*.bmp;*.jpg) (*.bmp *.jpg *.BMP *.JPG)");
        QCOMPARE(seen,
                 QStringList({QString::number(mode), pictures, pictures, "すべて(*.*) (*.*)"}));
    }

    void fontDialogKeepsSizesInRange() {
        const FontChoice initial{QStringLiteral("No Such Face Anywhere"), 72, QColor(10, 20, 30)};
        FontDialog dialog(initial);
        // A face the system lacks is kept rather than swapped; 72 is cut to 36.
        QCOMPARE(dialog.choice(), FontChoice({initial.name, 36, initial.color}));
        QLineEdit *size = dialog.findChild<QComboBox *>(QStringLiteral("fontSize"))->lineEdit();
        size->clear();
        QTest::keyClicks(size, QStringLiteral("139")); // 9 would make it too large
        QCOMPARE(dialog.choice().pointSize, 13.0);
    }

    // A fifth of the screen's width on the long side; shown centred on its
    // owner; a second picture refills the same window where the user left it,
    // an unloadable one leaves it as it was, and a sliver still gets a window
    // a pixel high.
    void previewWindow() {
        QCOMPARE(FrmPrev::previewSize(QSize(2000000, 1900000), 100000), QSize(20000, 19000));
        QCOMPARE(FrmPrev::previewSize(QSize(0, 0), 1280), QSize());
        QWidget owner;
        owner.setGeometry(300, 200, 324, 403);
        owner.show();
        QPointer<FrmPrev> prev = new FrmPrev(&owner);
        auto show = [&](const char *name, QSize size) {
            return prev->showPicture(writePicture(m_dir.filePath(name), size), name, 1283);
        };
        QVERIFY(show("wide.png", QSize(1600, 1200)) && prev->isVisible());
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
