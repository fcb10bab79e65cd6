// The session recording: what the writer records of a line reads back the same, with the line
// settings and the link-up, and gives the replay the console's side from the link-up on (that an
// existing file is kept is tried from the command line and the main window); replacing a symbolic
// link replaces the link, not its target; a write the disk refuses leaves whole records and says
// why; a file whose folder goes stops the recording (within the second in which it is written); a
// file cut short is played up to its cut, and one that is no recording or is damaged is refused by
// the reader and by lvconsole-sim --replay with a message that says so.

#include "Payloads.h"
#include "ReplaySession.h"
#include "ViewHarness.h"
#include "link/Commands.h"
#include "link/FakeSerialBackend.h"
#include "link/SessionRecordingWriter.h"
#include "model/SharedState.h"
#include "views/traffic/TrafficView.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

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

QByteArray contentsOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void writeFile(const QString& path, const QByteArray& contents)
{
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(contents);
}

std::vector<ReplaySession::Chunk> chunksOf(const ReplaySession& replay)
{
    std::vector<ReplaySession::Chunk> out;
    const auto cursor = replay.play();
    ReplaySession::Chunk c;
    while (cursor->next(c))
        out.push_back(c);
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
    void replacingALinkReplacesTheLinkNotItsTarget_data();
    void replacingALinkReplacesTheLinkNotItsTarget();
    void refusedWriteLeavesWholeRecordsAndSaysWhy_data();
    void refusedWriteLeavesWholeRecordsAndSaysWhy();
    void recordingStopsWhenItsFileCanNoLongerBeReached_data();
    void recordingStopsWhenItsFileCanNoLongerBeReached();
    void badFilesAreRefusedOrPlayedUpToTheirCut_data();
    void badFilesAreRefusedOrPlayedUpToTheirCut();

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

    // The replay answers the hello at the speed the console did, then plays what came with the
    // reply and the rest, up to the next hello.
    const auto replay = ReplaySession::load(file, &error);
    QVERIFY2(replay, qPrintable(error));
    QCOMPARE(replay->consoleSpeed, 19200);
    const auto chunks = chunksOf(*replay);
    QCOMPARE(chunks.size(), size_t(3));
    QCOMPARE(chunks[0].atUs, qint64(0));
    QCOMPARE(chunks[0].bytes, consoleInfo);
    QCOMPARE(chunks[1].bytes + chunks[2].bytes, flood);
    QCOMPARE(chunks[1].atUs, e[7].timeUs - e[5].timeUs);
}

void tst_SessionRecording::replacingALinkReplacesTheLinkNotItsTarget_data()
{
    QTest::addColumn<bool>("recording");
    QTest::newRow("recording") << true;
    QTest::newRow("traffic list") << false;
}

void tst_SessionRecording::replacingALinkReplacesTheLinkNotItsTarget()
{
    QFETCH(bool, recording);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("elsewhere.txt"));
    const QString link = dir.filePath(QStringLiteral("chosen"));
    writeFile(target, "the file the link points to");
    QVERIFY(QFile::link(target, link));
    QString error;
    if (recording) {
        SessionRecordingWriter writer;
        QVERIFY2(writer.open(link, SessionRecordingWriter::IfExists::Replace, &error),
                 qPrintable(error));
        writer.close();
        QVERIFY2(SessionRecording::load(link, &error), qPrintable(error));
    } else {
        ViewHarness harness;
        TrafficView view(harness.context());
        QVERIFY2(view.saveTo(link, &error), qPrintable(error));
        QVERIFY(contentsOf(link).startsWith("Time\t"));
    }
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(contentsOf(target), QByteArray("the file the link points to"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("chosen"), QStringLiteral("elsewhere.txt")}));
}

void tst_SessionRecording::refusedWriteLeavesWholeRecordsAndSaysWhy_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<qint64>("sizeLimit");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full from the start") << "/dev/full" << qint64(0) << "the disk is full";
    // The header is on disk; the line settings and two pieces of 1000 bytes fit, the third is cut.
    QTest::newRow("size limit reached inside a record")
        << QString() << qint64(SessionRecording::HeaderSize + 2500) << "as large as";
}

void tst_SessionRecording::refusedWriteLeavesWholeRecordsAndSaysWhy()
{
    QFETCH(QString, device);
    QFETCH(qint64, sizeLimit);
    QFETCH(QString, reason);
    SessionRecordingWriter writer;
    QSignalSpy failed(&writer, &SessionRecordingWriter::failed);
    QString error;
    if (!device.isEmpty()) {
        if (!QFileInfo::exists(device))
            QSKIP("no such device here");
        QVERIFY(!writer.open(device, SessionRecordingWriter::IfExists::Replace, &error));
        QVERIFY2(error.contains(reason) && error.contains(device), qPrintable(error));
        QVERIFY(!writer.isRecording());
        return;
    }
    const QString file = path("limited.lvrec");
    QVERIFY2(writer.open(file, SessionRecordingWriter::IfExists::Refuse, &error),
             qPrintable(error));
    Line line;
    writer.attach(line.port);
    // Files beyond the limit are refused (EFBIG) as a full disk refuses them: some of a write,
    // then nothing.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit was = {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &was) == 0);
    rlimit limited = was;
    limited.rlim_cur = rlim_t(sizeLimit);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    for (char c : {'a', 'b', 'c', 'd'})
        line.backend->deliver(QByteArray(1000, c));
    const bool flushed = writer.flush();
    ::setrlimit(RLIMIT_FSIZE, &was);
    QVERIFY(!flushed);
    QVERIFY(!writer.isRecording());
    QCOMPARE(failed.size(), 1);
    const QString said = failed.at(0).at(0).toString();
    QVERIFY2(said.contains(reason) && said.contains(file), qPrintable(said));

    QString note;
    const auto rec = SessionRecording::load(file, &error, &note);
    QVERIFY2(rec, qPrintable(error));
    QVERIFY2(note.isEmpty(), qPrintable(note)); // whole records only
    QCOMPARE(typesOf(*rec), QStringLiteral("3 1 1"));
    QCOMPARE(rec->events.back().bytes, QByteArray(1000, 'b'));
}

void tst_SessionRecording::recordingStopsWhenItsFileCanNoLongerBeReached_data()
{
    QTest::addColumn<bool>("removed");
    QTest::newRow("folder removed") << true;
    QTest::newRow("folder renamed") << false;
}

void tst_SessionRecording::recordingStopsWhenItsFileCanNoLongerBeReached()
{
    QFETCH(bool, removed);
    QTemporaryDir outer;
    const QString folder = outer.filePath(QStringLiteral("session"));
    QVERIFY(QDir().mkdir(folder));
    const QString file = folder + QStringLiteral("/gone.lvrec");
    SessionRecordingWriter writer;
    QSignalSpy failed(&writer, &SessionRecordingWriter::failed);
    QVERIFY(writer.open(file, SessionRecordingWriter::IfExists::Refuse));
    Line line;
    writer.attach(line.port);
    QVERIFY(writer.flush());
    QVERIFY(removed ? QDir(folder).removeRecursively()
                    : QDir().rename(folder, outer.filePath(QStringLiteral("moved"))));
    line.backend->deliver(bytes({0xA5, 0x12, 0x02, 0x00, 9, 0x40}));
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, SessionRecordingWriter::FlushIntervalMs + 500);
    const QString said = failed.at(0).at(0).toString();
    QVERIFY2(said.contains(file) && said.contains(QStringLiteral("can no longer be reached")),
             qPrintable(said));
    QVERIFY(!writer.isRecording());
}

void tst_SessionRecording::badFilesAreRefusedOrPlayedUpToTheirCut_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("types"); // of the records read from a file cut short; empty: refused

    const QByteArray good = header() + record(Type::LineSettings, "38400,n,8,1") +
                            record(Type::LinkUp, {}) + record(Type::FromConsole, "\xA5\x12");
    QTest::newRow("empty") << QByteArray() << "not a session recording"
                           << "";
    QTest::newRow("foreign") << QByteArray("PK\x03\x04 an archive, not a recording")
                             << "not a session recording"
                             << "";
    QTest::newRow("header cut short") << header().left(12) << "truncated"
                                      << "";
    QTest::newRow("newer format") << header(3) + record(Type::LinkUp, {}) << "format version 3"
                                  << "";
    QTest::newRow("snapshot in a version 1 file")
        << header(1) + record(Type::Snapshot, "\xA5\x10\x01\x00\x03") << "unknown type 5"
        << "";
    QTest::newRow("unknown record type") << good + record(Type(9), "x") << "unknown type 9"
                                         << "";
    QTest::newRow("record larger than any")
        << header() + bytes({1, 0, 0x81, 0x80, 0x04}) << "more than the 65536"
        << "";
    QTest::newRow("number of ten bytes")
        << header() + bytes({1}) + QByteArray(10, '\x80') << "longer than nine bytes"
        << "";
    QTest::newRow("link-up with bytes") << header() + record(Type::LinkUp, "x") << "carries bytes"
                                        << "";
    QTest::newRow("no line settings")
        << header() + record(Type::LineSettings, "fast") << "holds no line settings"
        << "";
    QTest::newRow("time beyond any clock")
        << header() + record(Type::LinkUp, {}, quint64(1) << 62) +
               record(Type::LinkUp, {}, quint64(1) << 62)
        << "beyond any clock"
        << "";

    const QByteArray start = header() + record(Type::LineSettings, "38400,n,8,1");
    const QByteArray last = record(Type::FromConsole, "\xA5\x12\x02\x00\x09\x40");
    const QByteArray linked = start + record(Type::LinkUp, {});
    QTest::newRow("last record cut short")
        << (linked + last).chopped(1) << QStringLiteral("stopped at byte %1").arg(linked.size())
        << "3 4";
    QTest::newRow("cut inside a number")
        << start + bytes({1, 0x80}) << QStringLiteral("stopped at byte %1").arg(start.size())
        << "3";
}

// The simulator reads with the same reader: it refuses a file with the reason, or plays one cut
// short (it offers its line) and says where it stopped.
void tst_SessionRecording::badFilesAreRefusedOrPlayedUpToTheirCut()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);
    QFETCH(QString, types);
    const bool refused = types.isEmpty();
    QString error;
    QString note;
    const auto rec = SessionRecording::parse(contents, &error, &note);
    QCOMPARE(bool(rec), !refused);
    const QString said = refused ? error : note;
    QVERIFY2(said.contains(reason), qPrintable(said));
    if (!refused)
        QCOMPARE(typesOf(*rec), types);
    if (refused && QTest::currentDataTag() != QLatin1String("foreign"))
        return;

    const QString file = path("bad.lvrec");
    writeFile(file, contents);
    QProcess sim;
    sim.start(QStringLiteral(LVCONSOLE_SIM_BINARY), {QStringLiteral("--replay"), file});
    if (refused) {
        QVERIFY(sim.waitForFinished(20000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 1);
        QVERIFY(sim.readAllStandardOutput().isEmpty()); // no device was offered
    } else {
        QVERIFY(sim.waitForReadyRead(20000));
        QVERIFY(sim.readLine().startsWith("/dev/"));
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
    const QString simSaid = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(simSaid.contains(file) && simSaid.contains(reason), qPrintable(simSaid));
}

QTEST_MAIN(tst_SessionRecording)
#include "tst_sessionrecording.moc"
