#include "FakeDialogs.h"
#include "FontDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
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
  private slots:
    void filterBecomesQtForm() {
        QCOMPARE(toQtFilter(PictureFilter),
                 QStringLiteral("画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif) (*.bmp *.jpg *.gif);;"
                                "ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp) (*.bmp);;JPEGﾌｧｲﾙ(*.jpg) (*.jpg);;"
                                "GIFﾌｧｲﾙ(*.gif) (*.gif);;すべてのﾌｧｲﾙ(*.*) (*.*)"));
    }

    void fileDialogsOfferTheFilterAndCancel() {
        QtDialogs dialogs;
        QStringList offered;
        QList<QFileDialog::FileMode> modes;
        const auto record = [&](QFileDialog *dialog) {
            modes << dialog->fileMode();
            offered = dialog->nameFilters();
            QCOMPARE(dialog->selectedNameFilter(), offered.value(0));
        };
        whenModal<QFileDialog>(record);
        QVERIFY(dialogs.openFiles(nullptr, PictureFilter).isEmpty());
        whenModal<QFileDialog>(record);
        QVERIFY(dialogs.openFile(nullptr, PictureFilter).isEmpty());
        QCOMPARE(modes, QList({QFileDialog::ExistingFiles, QFileDialog::ExistingFile}));
#ifndef Q_OS_WIN
        // Matching here is case-sensitive; upper-case camera names must show too.
        QCOMPARE(offered.first(), QStringLiteral("画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif) (*.bmp *.jpg *.gif "
                                                 "*.BMP *.JPG *.GIF)"));
#endif
    }

    void messageBoxTitledMirell() {
        QStringList seen;
        const auto record = [&](QMessageBox *box) {
            seen << box->windowTitle() << box->text() << QString::number(box->icon())
                 << QString::number(box->standardButtons());
            box->accept();
        };
        whenModal<QMessageBox>(record);
        QtDialogs().message(nullptr, "/p/x.jpg\r\nは使用できないファイルです。",
                            Dialogs::Icon::Critical);
        whenModal<QMessageBox>(record);
        QtDialogs().message(nullptr, "x", Dialogs::Icon::Exclamation);
        const QString ok = QString::number(QMessageBox::Ok);
        QCOMPARE(seen, QStringList({"Mirell", "/p/x.jpg\nは使用できないファイルです。",
                                    QString::number(QMessageBox::Critical), ok, "Mirell", "x",
                                    QString::number(QMessageBox::Warning), ok}));
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
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
