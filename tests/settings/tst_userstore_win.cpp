// The registry store, run under wine or on Windows: what another program or a
// person leaves in HKCU\Software\Mirell! comes back as text, and the program's
// own text goes in and out unchanged.
#include "UserSettingsStore.h"

#include <QSettings>
#include <QTest>

class TestUserStore : public QObject {
    Q_OBJECT
    const QString m_section = QStringLiteral("tst_userstore");
    QSettings m_registry{QStringLiteral("HKEY_CURRENT_USER\\Software\\") + SettingsApplicationName,
                         QSettings::NativeFormat};

  private slots:
    void cleanup() {
        m_registry.remove(m_section);
        m_registry.sync();
    }

    void readsWhatIsThere_data() {
        QTest::addColumn<QVariant>("planted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("absent gives the default") << QVariant() << QStringLiteral("default");
        QTest::newRow("number value") << QVariant(42) << QStringLiteral("42");
        QTest::newRow("list value") << QVariant(QStringList{"a", "b"}) << QStringLiteral("a, b");
        QTest::newRow("empty text is not absent") << QVariant(QString("")) << QString("");
    }
    void readsWhatIsThere() {
        QFETCH(QVariant, planted);
        QFETCH(QString, expected);
        if (planted.isValid())
            m_registry.setValue(m_section + QStringLiteral("/Key"), planted);
        m_registry.sync();
        const auto store = openUserSettingsStore();
        QCOMPARE(store->get(m_section, QStringLiteral("Key"), QStringLiteral("default")), expected);
    }

    void keepsTextAcrossOpenings() {
        const QString texts[] = {QStringLiteral("C:\\壁紙\\海.jpg"), QStringLiteral("-1"),
                                 QStringLiteral("a=b; c")};
        auto writer = openUserSettingsStore();
        for (int n = 0; n < 3; ++n)
            writer->put(m_section, QStringLiteral("Files%1").arg(n), texts[n]);
        QVERIFY(writer->sync());
        writer.reset();
        const auto reader = openUserSettingsStore();
        for (int n = 0; n < 3; ++n)
            QCOMPARE(reader->get(m_section, QStringLiteral("Files%1").arg(n), {}), texts[n]);
        // Stored as plain strings, so regedit and other programs read them as text.
        QCOMPARE(m_registry.value(m_section + QStringLiteral("/Files1")).typeId(),
                 QMetaType::QString);
    }
};

QTEST_GUILESS_MAIN(TestUserStore)
#include "tst_userstore_win.moc"
