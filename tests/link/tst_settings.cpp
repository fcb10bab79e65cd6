// The settings store: defaults, the stored text of booleans and numbers, and values that do not
// parse.

#include "model/Settings.h"

#include <QFile>
#include <QTest>

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(qEnvironmentVariable("LVMONITOR_SETTINGS")); }
    void storedTextAndRoundTrip();
    void readingBooleans_data();
    void readingBooleans();
    void readingNumbers_data();
    void readingNumbers();
};

void tst_Settings::storedTextAndRoundTrip()
{
    Settings s;
    QCOMPARE(s.GetBool("Startup", "Com1", true), true);
    QCOMPARE(s.GetNumber("Startup", "fixture_frm_wid", 12000), 12000.0f);
    s.SaveBool("Startup", "Com1", false);
    s.SaveNumber("Startup", "fixture_frm_wid", 7500);
    s.SaveNumber("Startup", "fixture_frm_left", 1234.5f);
    s.SaveNumber("Startup", "fixture_frm_top", -15);
    s.SaveBool("edit", "all", true);
    QCOMPARE(s.GetSetting("Startup", "Com1"), QStringLiteral("False"));
    QCOMPARE(s.GetSetting("Startup", "fixture_frm_wid"), QStringLiteral("7500"));
    QCOMPARE(s.GetSetting("Startup", "fixture_frm_left"), QStringLiteral("1234.5"));
    QCOMPARE(s.GetSetting("edit", "all"), QStringLiteral("True"));
    QCOMPARE(s.GetSetting("Startup", "fixture_frm_top"), QStringLiteral("-15"));
}

void tst_Settings::readingBooleans_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("read");
    QTest::newRow("True") << "True" << false << true;
    QTest::newRow("false, any case") << "false" << true << false;
    QTest::newRow("-1") << "-1" << false << true;
    QTest::newRow("0") << "0" << true << false;
    QTest::newRow("garbage takes the default") << "maybe" << true << true;
    QTest::newRow("empty takes the default") << "" << false << false;
}

void tst_Settings::readingBooleans()
{
    QFETCH(QString, stored);
    QFETCH(bool, defaultValue);
    QFETCH(bool, read);
    Settings s;
    s.SaveSetting("Startup", "fixture_frm_open", stored);
    QCOMPARE(s.GetBool("Startup", "fixture_frm_open", defaultValue), read);
}

void tst_Settings::readingNumbers_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<float>("read");
    QTest::newRow("integer") << "7500" << 7500.0f;
    QTest::newRow("fraction") << "12.5" << 12.5f;
    QTest::newRow("negative") << "-300" << -300.0f;
    QTest::newRow("spaces") << " 45 " << 45.0f;
    QTest::newRow("words take the default") << "wide" << 999.0f;
    QTest::newRow("nan takes the default") << "nan" << 999.0f;
    QTest::newRow("empty takes the default") << "" << 999.0f;
}

void tst_Settings::readingNumbers()
{
    QFETCH(QString, stored);
    QFETCH(float, read);
    Settings s;
    s.SaveSetting("Startup", "page_frm_ht", stored);
    QCOMPARE(s.GetNumber("Startup", "page_frm_ht", 999), read);
}

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
