#include "Dialogs.h"
#include "FontDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

#include <functional>

namespace {

const QString Filter = QStringLiteral(
    "画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif)|*.bmp;*.jpg;*.gif|ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)|*.bmp|JPEGﾌｧｲﾙ(*.jpg)|*.jpg|"
    "GIFﾌｧｲﾙ(*.gif)|*.gif|すべてのﾌｧｲﾙ(*.*)|*.*");

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
        QCOMPARE(toQtFilter(Filter),
                 QStringLiteral("画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif) (*.bmp *.jpg *.gif);;"
                                "ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp) (*.bmp);;JPEGﾌｧｲﾙ(*.jpg) (*.jpg);;"
                                "GIFﾌｧｲﾙ(*.gif) (*.gif);;すべてのﾌｧｲﾙ(*.*) (*.*)"));
        QCOMPARE(toQtFilter(QStringLiteral("Text|*.txt|dangling")), QStringLiteral("Text (*.txt)"));
        QCOMPARE(toQtFilter(QString()), QString());
    }

    void fileDialogsOfferTheFilterAndCancel() {
        QtDialogs dialogs;
        QStringList offered;
        whenModal<QFileDialog>([&](QFileDialog *dialog) {
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
            QCOMPARE(dialog->selectedNameFilter(), dialog->nameFilters().value(0));
            offered = dialog->nameFilters();
        });
        QVERIFY(dialogs.openFiles(nullptr, Filter).isEmpty());
        QCOMPARE(offered.size(), 5);
#ifndef Q_OS_WIN
        // Matching here is case-sensitive; upper-case camera names must show too.
        QCOMPARE(offered.first(), QStringLiteral("画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif) (*.bmp *.jpg *.gif "
                                                 "*.BMP *.JPG *.GIF)"));
        QCOMPARE(offered.last(), QStringLiteral("すべてのﾌｧｲﾙ(*.*) (*.*)"));
#endif
        QFileDialog::FileMode mode = QFileDialog::Directory;
        whenModal<QFileDialog>([&](QFileDialog *dialog) { mode = dialog->fileMode(); });
        QVERIFY(dialogs.openFile(nullptr, Filter).isEmpty());
        QCOMPARE(mode, QFileDialog::ExistingFile);
    }

    void messageBoxTitledMirell() {
        QtDialogs dialogs;
        QStringList seen;
        const auto record = [&](QMessageBox *box) {
            seen << box->windowTitle() << box->text() << QString::number(box->icon())
                 << QString::number(box->standardButtons());
            box->accept();
        };
        whenModal<QMessageBox>(record);
        dialogs.message(nullptr, "/p/x.jpg\r\nは使用できないファイルです。",
                        Dialogs::Icon::Critical);
        whenModal<QMessageBox>(record);
        dialogs.message(nullptr, "x", Dialogs::Icon::Exclamation);
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
        auto *sizes = dialog.findChild<QComboBox *>(QStringLiteral("fontSize"));
        QVERIFY(sizes);
        for (int i = 0; i < sizes->count(); ++i) {
            const int size = sizes->itemText(i).toInt();
            QVERIFY2(size >= 8 && size <= 36, qPrintable(sizes->itemText(i)));
        }
        sizes->lineEdit()->clear();
        QTest::keyClicks(sizes->lineEdit(), QStringLiteral("13"));
        QCOMPARE(dialog.choice().pointSize, 13.0);
        QTest::keyClicks(sizes->lineEdit(), QStringLiteral("9")); // 139 cannot be typed
        QCOMPARE(dialog.choice().pointSize, 13.0);
        sizes->lineEdit()->clear();
        QTest::keyClicks(sizes->lineEdit(), QStringLiteral("5"));
        QCOMPARE(dialog.choice().pointSize, 13.0);

        const FontChoice chosen{dialog.findChild<QComboBox *>("fontFamily")->itemText(1), 20,
                                QColor(Qt::red)};
        dialog.setChoice(chosen);
        QCOMPARE(dialog.choice(), chosen);
    }

    void fontDialogAnswersOnlyOnOk() {
        const FontChoice initial{QStringLiteral("Sans"), 12, Qt::blue};
        whenModal<FontDialog>([](FontDialog *dialog) {
            dialog->setChoice({QStringLiteral("Serif"), 24, Qt::green});
            dialog->reject();
        });
        QCOMPARE(FontDialog::ask(nullptr, initial), std::nullopt);

        whenModal<FontDialog>([](FontDialog *dialog) {
            QCOMPARE(dialog->choice().pointSize, 12.0);
            dialog->setChoice({dialog->choice().name, 24, Qt::green});
            dialog->accept();
        });
        const std::optional<FontChoice> answer = QtDialogs().chooseFont(nullptr, initial);
        QVERIFY(answer);
        QCOMPARE(answer->pointSize, 24.0);
        QCOMPARE(answer->color, QColor(Qt::green));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
