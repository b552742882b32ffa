#include "Dialogs.h"
#include "FontDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

#include <functional>

namespace {

const QString Filter = QStringLiteral(
    "画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif)|*.bmp;*.jpg;*.gif|ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)|*.bmp|JPEGﾌｧｲﾙ(*.jpg)|*.jpg|"
    "GIFﾌｧｲﾙ(*.gif)|*.gif|すべてのﾌｧｲﾙ(*.*)|*.*");

// Runs check on the modal dialog once it is up. check closes it; if a
// failed check returned early, the dialog is closed here so the test ends.
void whenModal(const std::function<void(QWidget *)> &check) {
    QTimer::singleShot(0, [check] {
        QWidget *modal = nullptr;
        QTRY_VERIFY((modal = QApplication::activeModalWidget()) != nullptr);
        QPointer<QWidget> guard(modal);
        check(modal);
        if (auto *dialog = qobject_cast<QDialog *>(guard.data()); dialog && dialog->isVisible())
            dialog->reject();
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

    void fileDialogOffersTheFilterAndCancels() {
        QtDialogs dialogs;
        QStringList offered;
        QString selected;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY(dialog);
            offered = dialog->nameFilters();
            selected = dialog->selectedNameFilter();
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
            dialog->reject();
        });
        QVERIFY(dialogs.openFiles(nullptr, Filter).isEmpty());
        QCOMPARE(offered.size(), 5);
        QCOMPARE(selected, offered.first());
#ifndef Q_OS_WIN
        // Native dialogs here match case by case; upper-case camera names must show too.
        QCOMPARE(offered.first(), QStringLiteral("画像ﾌｧｲﾙ(*.bmp;*.jpg;*.gif) (*.bmp *.jpg *.gif "
                                                 "*.BMP *.JPG *.GIF)"));
        QCOMPARE(offered.last(), QStringLiteral("すべてのﾌｧｲﾙ(*.*) (*.*)"));
#endif

        whenModal([](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            dialog->reject();
        });
        QVERIFY(dialogs.openFile(nullptr, Filter).isEmpty());
    }

    void messageBoxShowsMirellAndLineBreak() {
        QtDialogs dialogs;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            box->accept();
        });
        dialogs.message(nullptr, QStringLiteral("/p/x.jpg\r\nは使用できないファイルです。"),
                        Dialogs::Icon::Critical);
        QCOMPARE(title, QStringLiteral("Mirell"));
        QCOMPARE(text, QStringLiteral("/p/x.jpg\nは使用できないファイルです。"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        whenModal([&](QWidget *w) {
            icon = qobject_cast<QMessageBox *>(w)->icon();
            qobject_cast<QMessageBox *>(w)->accept();
        });
        dialogs.message(nullptr, QStringLiteral("x"), Dialogs::Icon::Exclamation);
        QCOMPARE(icon, QMessageBox::Warning);
    }

    void fontDialogKeepsSizesInRange() {
        const FontChoice initial{QStringLiteral("No Such Face Anywhere"), 72, QColor(10, 20, 30)};
        FontDialog dialog(initial);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("フォントの選択"));
        // A face the system lacks is kept rather than swapped for a substitute.
        QCOMPARE(dialog.choice().name, initial.name);
        QCOMPARE(dialog.choice().pointSize, 36.0);
        QCOMPARE(dialog.choice().color, initial.color);

        auto *sizes = dialog.findChild<QComboBox *>(QStringLiteral("fontSize"));
        QVERIFY(sizes);
        for (int i = 0; i < sizes->count(); ++i) {
            const int size = sizes->itemText(i).toInt();
            QVERIFY2(size >= 8 && size <= 36, qPrintable(sizes->itemText(i)));
        }
        QCOMPARE(sizes->count(), FontDialog::standardSizes().size());

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
        auto *sample = dialog.findChild<QLabel *>(QStringLiteral("fontSample"));
        QCOMPARE(sample->text(), chosen.name);
        QCOMPARE(sample->font().pointSize(), 20);
        QCOMPARE(sample->palette().color(QPalette::WindowText), QColor(Qt::red));
    }

    void fontDialogAnswersOnlyOnOk() {
        const FontChoice initial{QStringLiteral("Sans"), 12, Qt::blue};
        whenModal([](QWidget *w) {
            auto *dialog = qobject_cast<FontDialog *>(w);
            QVERIFY(dialog);
            dialog->setChoice({QStringLiteral("Serif"), 24, Qt::green});
            dialog->reject();
        });
        QCOMPARE(FontDialog::ask(nullptr, initial), std::nullopt);

        FontChoice picked;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<FontDialog *>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->choice().pointSize, 12.0);
            dialog->setChoice({dialog->choice().name, 24, Qt::green});
            picked = dialog->choice();
            dialog->accept();
        });
        const std::optional<FontChoice> answer = QtDialogs().chooseFont(nullptr, initial);
        QVERIFY(answer);
        QCOMPARE(*answer, picked);
        QCOMPARE(answer->pointSize, 24.0);
        QCOMPARE(answer->color, QColor(Qt::green));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
