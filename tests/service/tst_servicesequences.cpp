// Language files, and the service sequences on the simulated gauge: transfer and memory reset.
#include "link/DeviceFile.h"
#include "service/LanguageFiles.h"
#include "service/LanguageTransfer.h"
#include "service/MemoryReset.h"
#include "service/ServiceTexts.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"
#include "tests/common/TestFiles.h"

#include <QtTest>

Q_DECLARE_METATYPE(SimFault)
Q_DECLARE_METATYPE(DeviceFailure)

namespace
{
QByteArray counting(int bytes, int first = 0)
{
    return QByteArray::fromHex(countingHex(bytes, first).toLatin1());
}

// The exact commands of a 40-byte transfer of "lDE" with this handle.
QStringList fortyBytes(int handle)
{
    return {"$fw?40 lDE!", QString("$wr?%1 0 32 %2!").arg(handle).arg(countingHex(32)),
            QString("$wr?%1 32 8 %2!").arg(handle).arg(countingHex(8, 32)),
            QString("$fc?%1!").arg(handle)};
}
} // namespace

class ServiceSequencesTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<SimSession> sim;

    DeviceOutcome transfer(const QString& name)
    {
        LanguageTransfer t(*sim->session, dir.path());
        t.setLogSink({});
        return QCoro::waitFor(t.run(dir.path() + "/", name));
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        setReplyTimeoutMs(1000); // one row waits it out; a loaded machine must not reach it
    }
    void init()
    {
        sim = std::make_unique<SimSession>();
        FillLanguageTables();
        sharedState().ProgramFolder = dir.path();
        QVERIFY(sim->connect());
    }
    void cleanup()
    {
        sim.reset();
        QDir(dir.path()).removeRecursively();
    }

    void transcript_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("handle");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("maximum");
        QTest::newRow("a full chunk and a shorter one, handle 3")
            << counting(40) << 3 << fortyBytes(3) << 3;
        QTest::newRow("one byte") << QByteArray("\xA5") << 1
                                  << QStringList{"$fw?1 lDE!", "$wr?1 0 1 A5!", "$fc?1!"} << 2;
        QTest::newRow("two full chunks")
            << counting(64, 200) << 2
            << QStringList{"$fw?64 lDE!", "$wr?2 0 32 " + countingHex(32, 200) + "!",
                           "$wr?2 32 32 " + countingHex(32, 232) + "!", "$fc?2!"}
            << 4; // three steps, then full
    }
    // a language file / exactly these commands, the file sent, the progress bar full at the end
    void transcript()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, handle);
        QVERIFY(writeFile(dir.filePath("lDE"), bytes));
        sim->takeHandlesBelow(handle);
        LanguageTransfer t(*sim->session, dir.path());
        t.setLogSink({});
        QSignalSpy progress(&t, &LanguageTransfer::progress);
        const DeviceOutcome r = QCoro::waitFor(t.run(dir.path() + "/", "lDE"));
        QVERIFY2(r.ok(), qPrintable(ServiceTexts::transferFailed(r)));
        QTEST(sim->transcript(), "sent");
        QCOMPARE(sim->gauge.file("lDE"), bytes);
        QTEST(progress.last().at(1).toInt(), "maximum");
        QCOMPARE(progress.last().at(0), progress.last().at(1));
    }

    void progressMaximum_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<int>("maximum");
        QTest::newRow("800: 29.5 to 30") << qint64(800) << 31;
        QTest::newRow("1600: 58.5 to 58") << qint64(1600) << 59;
        QTest::newRow("1 MiB") << qint64(1048576) << 38012;
    }
    // a file length / 1 + round-half-even(L/32 + L/200 + 0.5)
    void progressMaximum()
    {
        QFETCH(qint64, length);
        QTEST(LanguageTransfer::progressMaximum(length), "maximum");
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-": none
        QTest::addColumn<int>("faultAt");     // command number, 1 = create, 6 = close
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<QByteArray>("reply"); // scripted reply at faultAt instead of a fault
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("closedAfter"); // the close after the failed command
        QTest::addColumn<bool>("english");
        const SimFault refused = SimFault::StatusError;
        const QByteArray hundred = counting(100);
        // clang-format off
        QTest::newRow("create refused") << hundred << 1 << refused << QByteArray() << "Gerät hat das Anlegen der Datei abgelehnt: lDE 5" << "" << false;
        QTest::newRow("create refused with a handle") << hundred << 1 << SimFault::None << QByteArray("$fw?4 5!") << "Gerät hat das Anlegen der Datei abgelehnt: lDE 5" << "$fc?4!" << false;
        QTest::newRow("chunk 2 refused") << hundred << 3 << refused << QByteArray() << "Fehler beim Datei schreiben BLE :  99" << "$fc?1!" << false;
        QTest::newRow("chunk 2 refused, English") << hundred << 3 << refused << QByteArray() << "Error writing file BLE: 99" << "$fc?1!" << true;
        QTest::newRow("last chunk refused") << hundred << 5 << refused << QByteArray() << "Fehler beim Datei schreiben BLE: 99" << "$fc?1!" << false;
        QTest::newRow("close refused") << hundred << 6 << refused << QByteArray() << "Fehler Datei schließen BLE: 5" << "" << false;
        QTest::newRow("no reply to chunk 2") << hundred << 3 << SimFault::NoReply << QByteArray() << "Keine Antwort vom Gerät ($wr 2)" << "$fc?1!" << false;
        QTest::newRow("link dropped at chunk 3") << hundred << 4 << SimFault::DropLink << QByteArray() << "Verbindung zum Gerät unterbrochen ($wr 3)" << "" << false;
        QTest::newRow("malformed write reply") << hundred << 2 << SimFault::None << QByteArray("$wr?1!") << "Unlesbare Antwort vom Gerät ($wr 1)" << "$fc?1!" << false;
        QTest::newRow("file missing") << QByteArray("-") << 0 << SimFault::None << QByteArray() << "Sprachdatei nicht gefunden: lDE" << "" << false;
        QTest::newRow("file empty") << QByteArray() << 0 << SimFault::None << QByteArray() << "Sprachdatei ist leer, nichts gesendet: lDE" << "" << false;
        // clang-format on
    }
    // a missing or empty file, or a fault at one command of a 100-byte transfer / its message,
    // nothing sent after it but the close of the new file with the create's handle
    void failures()
    {
        QFETCH(int, faultAt);
        QFETCH(QByteArray, reply);
        QFETCH(QString, closedAfter);
        QFETCH(QByteArray, file);
        QFETCH(bool, english);
        sharedState().LanguageIndex = english ? LanguageEnglish : LanguageGerman;
        QVERIFY(file == "-" || writeFile(dir.filePath("lDE"), file));
        QFETCH(SimFault, fault);
        sim->gauge.setFault(faultAt, fault);
        if (!reply.isEmpty())
            sim->gauge.setScriptedReply(faultAt, reply);
        QTEST(ServiceTexts::transferFailed(transfer("lDE")), "message");
        const QStringList sent = sim->transcript();
        QCOMPARE(sent.size(), faultAt + (closedAfter.isEmpty() ? 0 : 1));
        if (!closedAfter.isEmpty())
            QCOMPARE(sent.last(), closedAfter);
        QCOMPARE(QFileInfo::exists(dir.filePath("lDE")), file != "-");
    }

    // another window's open answered mid-transfer / chunks and close keep the create's handle
    void lateReplyKeepsHandle()
    {
        QVERIFY(writeFile(dir.filePath("lDE"), counting(40)));
        CommandChannel& ch = sim->channel();
        QObject::connect(&ch, &CommandChannel::commandSent, &ch, [&ch](const QString& c) {
            if (c.startsWith("$wr?1 0 "))
                ch.BLEClient1_Value({}, {}, {}, {}, {}, "$fr?9 400!");
        });
        QVERIFY(transfer("lDE").ok());
        QCOMPARE(sim->transcript(), fortyBytes(1));
    }

    void reset_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<DeviceFailure>("status");
        QTest::addColumn<QString>("detail");
        using F = DeviceFailure;
        // clang-format off
        QTest::newRow("No") << true << false << SimFault::None << F::Declined << "the user said No";
        QTest::newRow("Yes") << true << true << SimFault::None << F::None << "";
        QTest::newRow("Yes, link dropped after the write was acknowledged") << true << true << SimFault::DropAfterWrite << F::None << MemoryReset::linkDroppedDetail();
        QTest::newRow("Yes, link dropped before the acknowledgement") << true << true << SimFault::DropLink << F::LinkLost << "link lost";
        QTest::newRow("Yes, error status") << true << true << SimFault::StatusError << F::GaugeError << "reset answered with status 5";
        QTest::newRow("no link") << false << true << SimFault::None << F::NotConnected << "";
        // clang-format on
    }
    // the answer and the gauge / "$fsf!" CR LF only after Yes on a link, the outcome, its text
    void reset()
    {
        QFETCH(bool, yes);
        QFETCH(SimFault, fault);
        QFETCH(DeviceFailure, status);
        QFETCH(bool, connected);
        if (!connected)
            sim->session->end();
        sim->gauge.setFault(1, fault);
        RecordingDialogs dialogs;
        dialogs.answer = yes;
        const DeviceOutcome r = QCoro::waitFor(MemoryReset(*sim->session).run(dialogs));
        QCOMPARE(r.failure, status);
        if (status != DeviceFailure::NotConnected) {
            QCOMPARE(dialogs.questions, QStringList{"Wollen Sie das Gerät wirklich resetten?"});
            QTEST(r.detail, "detail");
        }
        QCOMPARE(sim->transcript(), connected && yes ? QStringList{"$fsf!\r\n"} : QStringList{});
        QCOMPARE(sim->gauge.resetDone(), r.ok() && fault == SimFault::None);
        const QString text = ServiceTexts::resetOutcome(r);
        QCOMPARE(text == messageText(28), r.ok());
        QCOMPARE(text.isEmpty(), status == DeviceFailure::Declined);
        QVERIFY(connected || text == messageText(10));
    }

    void names_data()
    {
        QTest::addColumn<bool>("fileName"); // a file name to its language, else a name to a code
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("lDE German") << true << "lDE" << 0 << "Deutsch";
        QTest::newRow("lDE English") << true << "lDE" << 1 << "German";
        QTest::newRow("last row") << true << "lNL" << 1 << "Nederlands";
        QTest::newRow("blanks around") << true << "  lEN  " << 0 << "Englisch";
        QTest::newRow("tab is not a blank") << true << "\tlDE" << 0 << "";
        QTest::newRow("lower-case code") << true << "lde" << 0 << "";
        QTest::newRow("extension kept") << true << "lDE.txt" << 0 << "Deutsch";
        QTest::newRow("Deutsch") << false << "Deutsch" << 0 << "DE";
        QTest::newRow("German in English") << false << "German" << 1 << "DE";
        QTest::newRow("German name in English column") << false << "Deutsch" << 1 << "";
        QTest::newRow("blanks, last row") << false << " Nederlands  " << 1 << "NL";
        QTest::newRow("case matters") << false << "deutsch" << 0 << "";
        // clang-format on
    }
    // a file name / its language's name; a language name / its code; blanks removed in place
    void names()
    {
        QFETCH(bool, fileName);
        QFETCH(QString, name);
        QFETCH(int, language);
        sharedState().LanguageIndex = int16_t(language);
        QTEST(fileName ? LanguageFiles::DateinameUmsetzen(name)
                       : LanguageFiles::SpracheUmsetzen(name),
              "expected");
        QVERIFY(!name.startsWith(' ') && !name.endsWith(' '));
    }

    void folder_data()
    {
        QTest::addColumn<QString>("blocker"); // what stands where "lng" should be made
        QTest::addColumn<bool>("fallback");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("no lng: made") << "-" << false << QStringList();
        QTest::newRow("lng is a file") << "lng" << true << QStringList();
        QTest::newRow("lng there: files listed in name order")
            << "-" << false << QStringList{"German", "German", "English", "Magyar"};
    }
    // no "lng" beside the program / made there, or where it cannot be, in the application data;
    // files in it / their language names, no folder or unknown name among them
    void folder()
    {
        QFETCH(QString, blocker);
        QFETCH(bool, fallback);
        QFETCH(QStringList, listed);
        QTemporaryDir program;
        QVERIFY(blocker == "-" || writeFile(program.filePath(blocker), "x"));
        for (const char* f : {"lEN", "lde", "LDE", "xDE", "lDE.txt", "lDE1", "lHU"})
            QVERIFY(!listed.size() || writeFile(program.filePath("lng/") + f, "x"));
        QVERIFY(!listed.size() || QDir(program.path()).mkpath("lng/lFR"));
        sharedState().LanguageIndex = 1;
        const QString appData =
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/lng/";
        const LanguageSearchResult r = LanguageFiles::search(program.path());
        QCOMPARE(r.folder, fallback ? appData : program.filePath("lng") + "/");
        QVERIFY(QFileInfo(r.folder).isDir());
        QVERIFY(fallback || r.names() == listed);
        QCOMPARE(r.folderCreated, listed.isEmpty()); // the test's home starts empty
    }
};

QTEST_GUILESS_MAIN(ServiceSequencesTest)
#include "tst_servicesequences.moc"
