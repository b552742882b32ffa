// The real dialogs and the preview window.
#include "FakeDialogs.h"
#include "FakeServices.h"
#include "FontDialog.h"
#include "FrmPrev.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <functional>

namespace {

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

class TestDialogs : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

  private slots:
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

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
