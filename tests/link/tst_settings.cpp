// The settings store: defaults, the stored text of booleans and numbers, values that do not
// parse, and changes written together rather than one by one.

#include "model/Settings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace {
QByteArray onDisk()
{
    QFile file(qEnvironmentVariable("LVMONITOR_SETTINGS"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(qEnvironmentVariable("LVMONITOR_SETTINGS")); }
    void readingStoredText_data();
    void readingStoredText();
    void changesAreWrittenTogether();
};

// Stored text that does not parse reads as the default (999 for the numbers here).
void tst_Settings::readingStoredText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("asBool"); // "default": whichever is asked for
    QTest::addColumn<float>("asNumber");
    QTest::newRow("True") << "True"
                          << "true" << 999.0f;
    QTest::newRow("false, any case") << "false"
                                     << "false" << 999.0f;
    QTest::newRow("-1") << "-1"
                        << "true" << -1.0f;
    QTest::newRow("0") << "0"
                       << "false" << 0.0f;
    QTest::newRow("garbage") << "maybe"
                             << "default" << 999.0f;
    QTest::newRow("empty") << ""
                           << "default" << 999.0f;
    QTest::newRow("fraction") << "12.5"
                              << "true" << 12.5f;
    QTest::newRow("spaces") << " 45 "
                            << "true" << 45.0f;
    QTest::newRow("nan") << "nan"
                         << "" << 999.0f;
}

void tst_Settings::readingStoredText()
{
    QFETCH(QString, stored);
    QFETCH(QString, asBool);
    QFETCH(float, asNumber);
    Settings s;
    s.SaveSetting("Startup", "page_frm_ht", stored);
    QCOMPARE(s.GetNumber("Startup", "page_frm_ht", 999), asNumber);
    for (const bool defaultValue : {false, true})
        if (!asBool.isEmpty())
            QCOMPARE(s.GetBool("Startup", "page_frm_ht", defaultValue),
                     asBool == "default" ? defaultValue : asBool == "true");
}

// A burst of changes is read back at once and reaches the file in one write a second after the
// first change, not one write each. (The main window test finds them on disk as the program
// closes.)
void tst_Settings::changesAreWrittenTogether()
{
    Settings s;
    s.SaveBool("Startup", "Com1", false); // no file yet: made at once
    QVERIFY(onDisk().contains("Com1=False"));
    QElapsedTimer since;
    since.start();
    for (int i = 0; i < 50; ++i)
        s.SaveNumber("Startup", QStringLiteral("k%1").arg(i), float(i));
    s.SaveBool("Startup", "Com1", true);
    QCOMPARE(s.GetNumber("Startup", "k49", -1), 49.0f);
    QCOMPARE(s.GetBool("Startup", "Com1", false), true);
    QVERIFY(!onDisk().contains("k0="));
    QTRY_VERIFY_WITH_TIMEOUT(onDisk().contains("k49=49"), 5000);
    QVERIFY(onDisk().contains("k0=0") && onDisk().contains("Com1=True"));
    QVERIFY(since.elapsed() >= Settings::FlushDelayMs - 100);
}

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
