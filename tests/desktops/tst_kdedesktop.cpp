#include "DesktopTestSupport.h"
#include "KdeBackground.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTest>

using namespace DesktopTest;

// The desktop script, run in node against two recording desktops: any text
// must reach both as the picture, as data, and nothing else may happen.
class KdeDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void scriptCarriesAnyTextAsData();
};

void KdeDesktopTest::scriptCarriesAnyTextAsData() {
    if (QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty())
        QSKIP("node is needed to run the desktop scripts");
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("marker"));
    const QString escape =
        QStringLiteral("'); require('fs').writeFileSync('%1', 'x'); ('").arg(marker);
    const QStringList texts = {
        escape, QString(escape).replace(u'\'', u'"'),
        QStringLiteral("`${require('fs').writeFileSync('%1', 'x')}`").arg(marker),
        "line\nbreak\r\t</script> $(touch " + marker + ") \u2028\u2029 壁紙 backslash \\"};
    const QJsonArray group{"Wallpaper", "org.kde.image", "General"};
    for (const QString &text : texts) {
        QFile file(dir.filePath(QStringLiteral("run.js")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(R"(const calls = [];
function desktops() {
  return [0, 1].map(n => new Proxy({}, {
    set(t, k, v) { calls.push([n, String(k), v]); t[k] = v; return true; },
    get(t, k) {
      return k === 'writeConfig' ? (key, v) => calls.push([n, t.currentConfigGroup, key, v]) : t[k];
    }
  }));
}
)" + KdeBackground::script(text).toUtf8() +
                   "\nprocess.stdout.write(JSON.stringify(calls));\n");
        file.close();
        int status = -1;
        const QString out = runTool("node", {file.fileName()}, &status);
        QCOMPARE(status, 0);
        // Per desktop: the image plugin, its configuration group, the picture; no more.
        QJsonArray expected;
        for (int n = 0; n < 2; ++n)
            expected << QJsonArray{n, "wallpaperPlugin", "org.kde.image"}
                     << QJsonArray{n, "currentConfigGroup", group}
                     << QJsonArray{n, group, "Image", text};
        QCOMPARE(QJsonDocument::fromJson(out.toUtf8()).array(), expected);
    }
    QVERIFY2(!QFile::exists(marker), "a script ran code that came in as a path");
}

QTEST_GUILESS_MAIN(KdeDesktopTest)
#include "tst_kdedesktop.moc"
