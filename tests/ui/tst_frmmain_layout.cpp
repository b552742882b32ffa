// The settings window as the user meets it: every control with its caption and
// kind, on its page.
#include "FakeUi.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

namespace {

// Each control with its kind, caption (nullptr: not checked) and the tab page
// ("tab0".."tab2") or frame it sits in.
struct Row {
    const char *name, *kind, *caption, *container;
};

const Row Layout[] = {
    {"cmdOK", "QPushButton", "&OK", "frmMain"},
    {"cmdCancel", "QPushButton", "ｷｬﾝｾﾙ(&C)", "frmMain"},
    {"Label1", "QLabel", "画像一覧(&L)：", "tab0"},
    {"cmdAdd", "QPushButton", "追加(&A)...", "tab0"},
    {"cmdDel", "QPushButton", "削除(&D)", "tab0"},
    {"cmdMirell", "QPushButton", "変更(&C)...", "tab0"},
    {"cmdUp", "QPushButton", "▲", "tab0"},
    {"cmdDown", "QPushButton", "▼", "tab0"},
    {"cmdPrev", "QPushButton", "プレビュー(&P)...", "tab0"},
    {"cmdOpen", "QPushButton", "開く(&O)...", "tab0"},
    {"cmdLet", "QPushButton", "この画像にM&irell!", "tab0"},
    {"Label4", "QLabel", "現在表示中：", "tab0"},
    {"Label3", "QLabel", "変更間隔(&I)：", "tab1"},
    {"updMin", "QAbstractSpinBox", nullptr, "tab1"},
    {"Label2", "QLabel", "分ごとに実行する", "tab1"},
    {"Frame1", "QGroupBox", "順序(&O)", "tab1"},
    {"optOrder0", "QRadioButton", "表の順序(&M)", "Frame1"},
    {"optOrder1", "QRadioButton", "シャッフル(&S)", "Frame1"},
    {"optOrder2", "QRadioButton", "ランダム(&R)", "Frame1"},
    {"chkFit", "QCheckBox", "大きさを画面にあわせる(&F)", "tab1"},
    {"chkShowStr", "QCheckBox", "文字を入れる(&I)", "tab2"},
    {"Frame2", "QGroupBox", "文字の設定(&H)", "tab2"},
    {"Frame3", "QGroupBox", "入れる文字(&S)", "Frame2"},
    {"optType0", "QRadioButton", "日付(&T)", "Frame3"},
    {"optType1", "QRadioButton", "ファイル名(&N)", "Frame3"},
    {"optType2", "QRadioButton", "自由指定(&R)", "Frame3"},
    {"Label5", "QLabel", "フォント：", "Frame2"},
    {"cmdFont", "QPushButton", "変更(&K)...", "Frame2"},
    {"Frame4", "QGroupBox", "入れる位置(&L)", "Frame2"},
    {"optLoc0", "QRadioButton", "左上(&A)", "Frame4"},
    {"optLoc1", "QRadioButton", "右上(&B)", "Frame4"},
    {"optLoc2", "QRadioButton", "左下(&C)", "Frame4"},
    {"optLoc3", "QRadioButton", "右下(&D)", "Frame4"},
};

} // namespace

class TestFrmMainLayout : public QObject {
    Q_OBJECT
    WindowRig m_rig;

  private slots:
    void initTestCase() {
        m_rig.open();
        m_rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_rig.window.get()));
    }

    void window() {
        FrmMain &w = *m_rig.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Mirell!"));
        QCOMPARE(w.size(), QSize(324, 403));
        QCOMPARE(m_rig.child("sstTabs")->geometry(), QRect(2, 2, 316, 361));
        QCOMPARE(m_rig.child("cmdCancel")->geometry(), QRect(215, 369, 103, 31));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.font().pointSizeF(), 11.25);
        auto *tabs = m_rig.child<QTabWidget>("sstTabs");
        QCOMPARE(QStringList({tabs->tabText(0), tabs->tabText(1), tabs->tabText(2)}),
                 QStringList({"画像(&G)", "環境(&E)", "文字(&T)"}));
        QVERIFY(m_rig.child<QPushButton>("cmdOK")->isDefault());
        QCOMPARE(m_rig.child<QLabel>("Label1")->buddy(), m_rig.child("lstImages"));
        QCOMPARE(m_rig.child<QLabel>("Label3")->buddy(), m_rig.child("txtMin"));
    }

    void controls_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(Layout)); ++i)
            QTest::newRow(Layout[i].name) << i;
    }

    void controls() {
        QFETCH(int, row);
        const Row &r = Layout[row];
        QWidget *w = m_rig.child(r.name);
        QVERIFY2(w->inherits(r.kind), w->metaObject()->className());
        if (r.caption)
            QCOMPARE(w->property(w->inherits("QGroupBox") ? "title" : "text").toString(),
                     QString::fromUtf8(r.caption));
        const QString container = QString::fromLatin1(r.container);
        QWidget *parent = w->parentWidget();
        if (container.startsWith(QLatin1String("tab")))
            QCOMPARE(parent, m_rig.child<QTabWidget>("sstTabs")->widget(container.mid(3).toInt()));
        else
            QCOMPARE(parent->objectName(), container);
    }

    // Three characters typed at most; the arrows step the number, within 1..999.
    void intervalBox() {
        auto *txtMin = m_rig.child<QLineEdit>("txtMin");
        auto *updMin = m_rig.child<QSpinBox>("updMin");
        txtMin->clear();
        QTest::keyClicks(txtMin, QStringLiteral("12345"));
        QCOMPARE(txtMin->text(), QStringLiteral("123"));
        txtMin->setText(QStringLiteral("998"));
        updMin->stepBy(2);
        QCOMPARE(txtMin->text(), QStringLiteral("999"));
        QCOMPARE(updMin->minimum(), 1);
    }
};

QTEST_MAIN(TestFrmMainLayout)
#include "tst_frmmain_layout.moc"
