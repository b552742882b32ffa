// The settings window as the user meets it: every control in its place, with
// its caption, kind and tab order.
#include "FakeUi.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

namespace {

struct Row {
    const char *name;
    const char *kind;
    const char *caption;          // nullptr: not checked
    int left, top, width, height; // twips
    const char *container;        // "window", "tab0".."tab2", or a frame
    int order;
};

const Row Layout[] = {
    {"sstTabs", "QTabWidget", "", 30, 30, 4740, 5415, "window", 0},
    {"cmdOK", "QPushButton", "&OK", 1515, 5535, 1545, 465, "window", 34},
    {"cmdCancel", "QPushButton", "ｷｬﾝｾﾙ(&C)", 3225, 5535, 1545, 465, "window", 35},
    {"Label1", "QLabel", "画像一覧(&L)：", 255, 525, 1290, 225, "tab0", 1},
    {"lstImages", "QListWidget", "", 195, 855, 2580, 3885, "tab0", 2},
    {"cmdAdd", "QPushButton", "追加(&A)...", 2895, 855, 1605, 405, "tab0", 3},
    {"cmdDel", "QPushButton", "削除(&D)", 2895, 1365, 1605, 405, "tab0", 4},
    {"cmdMirell", "QPushButton", "変更(&C)...", 2895, 1875, 1605, 405, "tab0", 5},
    {"cmdUp", "QPushButton", "▲", 2895, 2460, 735, 405, "tab0", 6},
    {"cmdDown", "QPushButton", "▼", 3765, 2460, 735, 405, "tab0", 7},
    {"cmdPrev", "QPushButton", "プレビュー(&P)...", 2895, 3000, 1605, 420, "tab0", 8},
    {"cmdOpen", "QPushButton", "開く(&O)...", 2895, 3540, 1605, 420, "tab0", 9},
    {"cmdLet", "QPushButton", "この画像にM&irell!", 2895, 4110, 1605, 630, "tab0", 10},
    {"Label4", "QLabel", "現在表示中：", 285, 4920, 1290, 225, "tab0", 39},
    {"labCurr", "QLabel", "", 1665, 4890, 2655, 315, "tab0", 40},
    {"Label3", "QLabel", "変更間隔(&I)：", 795, 1170, 1230, 225, "tab1", 11},
    {"txtMin", "QLineEdit", nullptr, 1080, 1500, 465, 330, "tab1", 12},
    {"updMin", "QAbstractSpinBox", "", 1545, 1500, 240, 330, "tab1", 13},
    {"Label2", "QLabel", "分ごとに実行する", 1860, 1530, 1935, 225, "tab1", 37},
    {"Frame1", "QGroupBox", "順序(&O)", 795, 2040, 2550, 1470, "tab1", 14},
    {"optOrder0", "QRadioButton", "表の順序(&M)", 405, 360, 1770, 300, "Frame1", 15},
    {"optOrder1", "QRadioButton", "シャッフル(&S)", 405, 653, 1770, 300, "Frame1", 16},
    {"optOrder2", "QRadioButton", "ランダム(&R)", 405, 945, 1770, 300, "Frame1", 17},
    {"chkFit", "QCheckBox", "大きさを画面にあわせる(&F)", 795, 3780, 2820, 315, "tab1", 18},
    {"chkShowStr", "QCheckBox", "文字を入れる(&I)", 360, 450, 1875, 345, "tab2", 19},
    {"Frame2", "QGroupBox", "文字の設定(&H)", 450, 870, 3795, 4365, "tab2", 20},
    {"Frame3", "QGroupBox", "入れる文字(&S)", 300, 330, 3135, 1875, "Frame2", 21},
    {"optType0", "QRadioButton", "日付(&T)", 330, 270, 1875, 285, "Frame3", 22},
    {"optType1", "QRadioButton", "ファイル名(&N)", 330, 660, 1875, 285, "Frame3", 23},
    {"optType2", "QRadioButton", "自由指定(&R)", 330, 1050, 1875, 285, "Frame3", 24},
    {"txtCapt", "QLineEdit", nullptr, 660, 1410, 2325, 345, "Frame3", 25},
    {"Label5", "QLabel", "フォント：", 300, 2310, 750, 225, "Frame2", 26},
    {"labFont", "QLabel", nullptr, 360, 2610, 1845, 345, "Frame2", 27},
    {"cmdFont", "QPushButton", "変更(&K)...", 2310, 2580, 1185, 405, "Frame2", 28},
    {"Frame4", "QGroupBox", "入れる位置(&L)", 300, 3090, 3135, 1125, "Frame2", 29},
    {"optLoc0", "QRadioButton", "左上(&A)", 270, 270, 1125, 375, "Frame4", 30},
    {"optLoc1", "QRadioButton", "右上(&B)", 1680, 270, 1125, 375, "Frame4", 31},
    {"optLoc2", "QRadioButton", "左下(&C)", 270, 630, 1125, 375, "Frame4", 32},
    {"optLoc3", "QRadioButton", "右下(&D)", 1680, 630, 1125, 375, "Frame4", 33},
};

QString captionOf(QWidget *w) {
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    return QString();
}

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
        QCOMPARE(w.objectName(), QStringLiteral("frmMain"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Mirell!"));
        QCOMPARE(w.size(), QSize(324, 403));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.font().pointSizeF(), 11.25);
        QVERIFY(QFontMetrics(w.font()).inFontUcs4(U'画')); // a face with the captions' glyphs
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(32, 32)));
        auto *tabs = m_rig.child<QTabWidget>("sstTabs");
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("画像(&G)"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("環境(&E)"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("文字(&T)"));
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
            QCOMPARE(captionOf(w), QString::fromUtf8(r.caption));
        const QRect expected(qRound(r.left / 15.0), qRound(r.top / 15.0), qRound(r.width / 15.0),
                             qRound(r.height / 15.0));
        const QString container = QString::fromLatin1(r.container);
        if (container == QLatin1String("window")) {
            QCOMPARE(w->parentWidget(), m_rig.window.get());
            QCOMPARE(w->geometry(), expected);
        } else if (container.startsWith(QLatin1String("tab"))) {
            auto *tabs = m_rig.child<QTabWidget>("sstTabs");
            const int page = container.mid(3).toInt();
            QCOMPARE(w->parentWidget(), tabs->widget(page));
            // Measured from the tab control's corner, tab row included; the
            // page frame may move it by a pixel or two.
            tabs->setCurrentIndex(page);
            const QPoint atTabs = w->mapTo(tabs, QPoint(0, 0));
            QVERIFY2((atTabs - expected.topLeft()).manhattanLength() <= 4,
                     qPrintable(QStringLiteral("at %1,%2").arg(atTabs.x()).arg(atTabs.y())));
            QCOMPARE(w->size(), expected.size());
            QVERIFY(tabs->widget(page)->rect().contains(w->geometry()));
        } else {
            QCOMPARE(w->parentWidget()->objectName(), container);
            QCOMPARE(w->geometry(), expected);
        }
    }

    // Walking the focus chain meets the controls in the table's order.
    void tabOrder() {
        QList<const Row *> byOrder;
        for (const Row &r : Layout)
            byOrder << &r;
        std::sort(byOrder.begin(), byOrder.end(),
                  [](const Row *a, const Row *b) { return a->order < b->order; });
        QStringList expected;
        for (const Row *r : byOrder) {
            QWidget *w = m_rig.child(r->name);
            if (w->focusPolicy() & Qt::TabFocus && !qobject_cast<QTabWidget *>(w))
                expected << QString::fromLatin1(r->name);
        }
        QVERIFY(expected.size() >= 25);
        QStringList walked;
        QWidget *w = m_rig.child("lstImages");
        for (int i = 0; i < 500 && walked.size() < expected.size(); ++i) {
            if (expected.contains(w->objectName()) && !walked.contains(w->objectName()))
                walked << w->objectName();
            w = w->nextInFocusChain();
        }
        QCOMPARE(walked, expected);
    }

    // Three characters typed at most; the arrows step the number, within 1..999.
    void intervalBox() {
        auto *txtMin = m_rig.child<QLineEdit>("txtMin");
        auto *updMin = m_rig.child<QSpinBox>("updMin");
        txtMin->clear();
        QTest::keyClicks(txtMin, QStringLiteral("12345"));
        QCOMPARE(txtMin->text(), QStringLiteral("123"));
        txtMin->setText(QStringLiteral("998"));
        updMin->stepBy(1);
        updMin->stepBy(1);
        QCOMPARE(txtMin->text(), QStringLiteral("999"));
        txtMin->setText(QStringLiteral("2"));
        updMin->stepBy(-1);
        updMin->stepBy(-1);
        QCOMPARE(txtMin->text(), QStringLiteral("1"));
    }

    void trayMenu() {
        QMenu *menu = m_rig.window->popupMenu();
        QCOMPARE(menu->objectName(), QStringLiteral("mnuPop"));
        QStringList items;
        for (const QAction *a : menu->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + ' ' + a->text());
        QCOMPARE(items, QStringList({"mnuNow 今すぐMirell!(&N)", "-", "mnuConfig 設定(&C)...", "-",
                                     "mnuQuit 終了(&Q)"}));
    }
};

QTEST_MAIN(TestFrmMainLayout)
#include "tst_frmmain_layout.moc"
