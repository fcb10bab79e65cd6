// The session recording: what the writer records of a line reads back the same, with the line
// settings and the link-up, and gives the replay the console's side from the link-up on; an
// existing file is kept unless replacing it was agreed; the file is written within a second; and
// a file that is no recording, is cut short or damaged is refused by the reader and by
// lvconsole-sim --replay with a message that says so.

#include "Payloads.h"
#include "ReplaySession.h"
#include "link/Commands.h"
#include "link/FakeSerialBackend.h"
#include "link/SessionRecordingWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Payloads::bytes;
using Type = SessionRecording::Type;

namespace {

struct Line
{
    FakeSerialBackend* backend = new FakeSerialBackend;
    SerialPort port{std::unique_ptr<SerialBackend>(backend)};
    Line() { port.setPortOpen(true); }
};

QByteArray header(int version = SessionRecording::Version)
{
    QByteArray out;
    SessionRecording::appendHeader(out, 1700000000000);
    out[8] = char(version);
    return out;
}

QByteArray record(Type type, const QByteArray& data, quint64 deltaUs = 5)
{
    QByteArray out;
    SessionRecording::appendRecord(out, type, deltaUs, data.constData(), data.size());
    return out;
}

QString typesOf(const SessionRecording& rec)
{
    QStringList out;
    for (const auto& e : rec.events)
        out << QString::number(int(e.type));
    return out.join(QLatin1Char(' '));
}

} // namespace

class tst_SessionRecording : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void recordedSessionReadsBackAndReplaysFromTheLinkUp();
    void existingFileIsKeptUnlessReplacingIsAgreed();
    void whatCrossesIsInTheFileWithinASecond();
    void badFilesAreRefusedWithAReason_data();
    void badFilesAreRefusedWithAReason();

private:
    QString path(const char* name) const
    {
        return QDir(m_dir.path()).filePath(QLatin1String(name));
    }
    QTemporaryDir m_dir;
};

void tst_SessionRecording::recordedSessionReadsBackAndReplaysFromTheLinkUp()
{
    const QString file = path("session.lvrec");
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    Line line;
    const QByteArray consoleInfo = Payloads::message(16, bytes({3, 2, 7, 0}));
    const QByteArray flood(70000, '\x42'); // more than one record holds
    {
        SessionRecordingWriter writer;
        QString error;
        QVERIFY2(writer.open(file, SessionRecordingWriter::IfExists::Refuse, &error),
                 qPrintable(error));
        writer.attach(line.port);
        line.port.Output(Commands::Hello()); // unanswered at the port's first speed
        line.port.setSettings(QStringLiteral("19200,n,8,1"));
        line.port.Output(Commands::Hello());
        line.backend->deliver(bytes({0xA5, 0x01}) + consoleInfo); // the console talks on at once
        writer.markLinkUp();
        line.port.setSettings(QStringLiteral("38400,n,8,1"));
        QTest::qWait(20);
        line.backend->deliver(flood);
        line.port.Output(Commands::RequestAllData());
        line.port.Output(Commands::Hello()); // a new connect attempt: the replay ends here
        line.backend->deliver(bytes({0xA5, 0x01}));
    } // closed by going away

    QString error;
    const auto rec = SessionRecording::load(file, &error);
    QVERIFY2(rec, qPrintable(error));
    QVERIFY(rec->startMsSinceEpoch >= before);
    QVERIFY(rec->startMsSinceEpoch <= QDateTime::currentMSecsSinceEpoch());
    QCOMPARE(typesOf(*rec), QStringLiteral("3 2 3 2 1 4 3 1 1 2 2 1"));
    const auto& e = rec->events;
    QCOMPARE(e[0].bytes, QByteArray("9600,n,8,1"));
    QCOMPARE(e[2].bytes, QByteArray("19200,n,8,1"));
    QCOMPARE(e[4].bytes, bytes({0xA5, 0x01}) + consoleInfo);
    QCOMPARE(e[7].bytes + e[8].bytes, flood);
    QCOMPARE(e[7].timeUs, e[8].timeUs);
    QCOMPARE(e[9].bytes, Commands::RequestAllData());
    QVERIFY(e[7].timeUs - e[5].timeUs >= 20000);
    for (size_t i = 1; i < e.size(); ++i)
        QVERIFY(e[i].timeUs >= e[i - 1].timeUs);

    // The replay answers the hello at the speed the console did, then plays what came with the
    // reply and the rest, up to the next hello.
    const ReplaySession replay = ReplaySession::fromRecording(*rec);
    QCOMPARE(replay.consoleSpeed, 19200);
    QCOMPARE(replay.chunks.size(), 3);
    QCOMPARE(replay.chunks[0].atUs, qint64(0));
    QCOMPARE(replay.chunks[0].bytes, consoleInfo);
    QCOMPARE(replay.chunks[1].bytes + replay.chunks[2].bytes, flood);
    QCOMPARE(replay.chunks[1].atUs, e[7].timeUs - e[5].timeUs);
    QCOMPARE(replay.byteCount, consoleInfo.size() + flood.size());
}

void tst_SessionRecording::existingFileIsKeptUnlessReplacingIsAgreed()
{
    const QString file = path("existing.lvrec");
    QFile keep(file);
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.write("the user's file");
    keep.close();
    SessionRecordingWriter writer;
    QString error;
    QVERIFY(!writer.open(file, SessionRecordingWriter::IfExists::Refuse, &error));
    QVERIFY2(error.contains(QStringLiteral("already exists")), qPrintable(error));
    QVERIFY(!writer.isRecording());
    QVERIFY(keep.open(QIODevice::ReadOnly));
    QCOMPARE(keep.readAll(), QByteArray("the user's file"));
    keep.close();

    QVERIFY(writer.open(file, SessionRecordingWriter::IfExists::Replace, &error));
    writer.close();
    QVERIFY(SessionRecording::load(file, &error));
}

void tst_SessionRecording::whatCrossesIsInTheFileWithinASecond()
{
    const QString file = path("flushed.lvrec");
    Line line;
    SessionRecordingWriter writer;
    QVERIFY(writer.open(file, SessionRecordingWriter::IfExists::Refuse));
    writer.attach(line.port);
    line.backend->deliver(bytes({0xA5, 0x12, 0x02, 0x00, 9, 0x40}));
    const auto written = [&] {
        const auto rec = SessionRecording::load(file, nullptr);
        return rec && !rec->events.empty() && rec->events.back().type == Type::FromConsole;
    };
    QVERIFY(!written()); // gathered, not yet written
    QTRY_VERIFY_WITH_TIMEOUT(written(), SessionRecordingWriter::FlushIntervalMs + 500);
}

void tst_SessionRecording::badFilesAreRefusedWithAReason_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("reason");

    const QByteArray good = header() + record(Type::LineSettings, "38400,n,8,1") +
                            record(Type::LinkUp, {}) + record(Type::FromConsole, "\xA5\x12");
    QTest::newRow("empty") << QByteArray() << "not a session recording";
    QTest::newRow("foreign") << QByteArray("PK\x03\x04 an archive, not a recording")
                             << "not a session recording";
    QTest::newRow("header cut short") << header().left(12) << "truncated";
    QTest::newRow("newer format") << header(2) + record(Type::LinkUp, {}) << "format version 2";
    QTest::newRow("last record cut short") << good.chopped(1) << "truncated";
    QTest::newRow("cut inside a number") << header() + bytes({1, 0x80}) << "truncated";
    QTest::newRow("unknown record type") << good + record(Type(9), "x") << "unknown type 9";
    QTest::newRow("record larger than any")
        << header() + bytes({1, 0, 0x81, 0x80, 0x04}) << "more than the 65536";
    QTest::newRow("number of ten bytes")
        << header() + bytes({1}) + QByteArray(10, '\x80') << "longer than nine bytes";
    QTest::newRow("link-up with bytes") << header() + record(Type::LinkUp, "x") << "carries bytes";
    QTest::newRow("no line settings")
        << header() + record(Type::LineSettings, "fast") << "holds no line settings";
    QTest::newRow("time beyond any clock")
        << header() + record(Type::LinkUp, {}, quint64(1) << 62) +
               record(Type::LinkUp, {}, quint64(1) << 62)
        << "beyond any clock";
}

void tst_SessionRecording::badFilesAreRefusedWithAReason()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(!SessionRecording::parse(contents, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));

    const QString file = path("bad.lvrec");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(contents);
    out.close();
    QProcess sim;
    sim.start(QStringLiteral(LVCONSOLE_SIM_BINARY), {QStringLiteral("--replay"), file});
    QVERIFY(sim.waitForFinished(20000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(said.contains(file) && said.contains(reason), qPrintable(said));
    QVERIFY(sim.readAllStandardOutput().isEmpty()); // no device was offered
}

QTEST_GUILESS_MAIN(tst_SessionRecording)
#include "tst_sessionrecording.moc"
