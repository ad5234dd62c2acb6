#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"
#include "state/Windows1252.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace
{
class RecordingDialogs final : public UserDialogs
{
public:
    int shown = 0;
    void message(const QString&) override { ++shown; }
    bool askYesNo(const QString&, bool) override { return ++shown, false; }
    QString chooseFolder(const QString&, const QString&) override { return ++shown, QString(); }
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Root writes through file modes; a chmod test then proves nothing.
bool modesStopWrites(const QString& path)
{
    QFile probe(QFileInfo(path).isDir() ? path + "/probe" : path);
    const bool writable = probe.open(QIODevice::WriteOnly | QIODevice::Append);
    if (writable && QFileInfo(path).isDir())
        probe.remove();
    return !writable;
}
} // namespace

class ServiceLogTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    RecordingDialogs dialogs;
    QString folderLog() const { return dir.filePath("ZVServiceLog.txt"); }
    QString appDataLog() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
               "/ZVServiceLog.txt";
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir.isValid());
        setUserDialogs(&dialogs);
    }
    void init()
    {
        resetSharedState();
        sharedState().ProgramFolder = dir.path();
        QFile::remove(appDataLog());
        QFile::remove(folderLog());
        dialogs.shown = 0;
        QTest::failOnWarning(QRegularExpression(".*"));
    }

    void startWritesOneBlankLine()
    {
        // earlier log with content, start twice / one line holding one blank, in program folder
        StartServiceLog();
        AppendServiceLog("first run");
        StartServiceLog();
        QCOMPARE(readAll(folderLog()), QByteArray(" \r\n"));
        QCOMPARE(sharedState().LogFilePath, folderLog());
        QVERIFY(!QFile::exists(appDataLog()));
    }

    void appendKeepsLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("label and value") << "disconnected0Success";
        QTest::newRow("embedded CR") << "Datei\rprobe";
        QTest::newRow("embedded CR LF") << "a\r\nb";
        QTest::newRow("empty") << "";
    }
    void appendKeepsLine()
    {
        // line after start / written unchanged plus CR LF, earlier lines kept
        QFETCH(QString, line);
        StartServiceLog();
        AppendServiceLog(line);
        AppendServiceLog(line);
        const QByteArray once = line.toLatin1() + "\r\n";
        QCOMPARE(readAll(folderLog()), " \r\n" + once + once);
    }

    void codePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Gerät") << QString::fromUtf16(u"Ger\u00e4t") << QByteArray("Ger\xe4t");
        QTest::newRow("schließen") << QString::fromUtf16(u"schlie\u00dfen")
                                   << QByteArray("schlie\xdf"
                                                 "en");
        QTest::newRow("Französisch")
            << QString::fromUtf16(u"Franz\u00f6sisch") << QByteArray("Franz\xf6sisch");
        QTest::newRow("euro, dash")
            << QString::fromUtf16(u"5\u20ac \u2013 \u00ff") << QByteArray("5\x80 \x96 \xff");
        QTest::newRow("C1 control") << QString::fromUtf16(u"a\u0085b") << QByteArray("a?b");
        QTest::newRow("CJK") << QString::fromUtf16(u"\u4e2d!") << QByteArray("?!");
        QTest::newRow("surrogate pair") << QString::fromUtf16(u"x\U0001F600y") << QByteArray("x?y");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    }
    void codePage()
    {
        // text with umlauts and characters outside the code page / Windows-1252 bytes in the log
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(toWindows1252(text), bytes);
        StartServiceLog();
        AppendServiceLog(text);
        QCOMPARE(readAll(folderLog()), " \r\n" + bytes + "\r\n");
    }

    void catalogueTextsReachLog()
    {
        // catalogue texts with umlauts and sharp s / single 1252 bytes 0xE4, 0xDF, 0xF6
        fillTextTables();
        FillLanguageTables();
        StartServiceLog();
        AppendServiceLog(messageTextFor(LanguageGerman, 10));
        AppendServiceLog(messageTextFor(LanguageGerman, 25));
        AppendServiceLog(languageNameFor(LanguageGerman, 2));
        QCOMPARE(readAll(folderLog()), QByteArray(" \r\nGer\xe4t verbinden\r\nFehler Datei "
                                                  "schlie\xdf"
                                                  "en BLE:\r\nFranz\xf6sisch\r\n"));
    }

    void unwritableLogFallsBack_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("read-only log file") << "chmod file";
        QTest::newRow("read-only program folder") << "chmod folder";
        QTest::newRow("log name taken by a folder") << "folder";
        QTest::newRow("program folder is a file") << "file";
    }
    void unwritableLogFallsBack()
    {
        // program folder's log not writable / no message, start and appends go to the
        // application-data log that LogFilePath names, the blocked log left as it was
        QFETCH(QString, how);
        QTemporaryDir program;
        QString blocked = program.filePath("ZVServiceLog.txt");
        if (how == "chmod file") {
            QFile old(blocked);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\r\n") == 5);
            old.close();
            QVERIFY(old.setPermissions(QFileDevice::ReadOwner));
        } else if (how == "chmod folder") {
            QVERIFY(QFile::setPermissions(program.path(),
                                          QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        } else if (how == "folder") {
            QVERIFY(QDir(program.path()).mkdir("ZVServiceLog.txt"));
        } else {
            QFile file(program.filePath("plain"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            blocked = file.fileName() + "/ZVServiceLog.txt";
        }
        if (how.startsWith("chmod") &&
            !modesStopWrites(how == "chmod file" ? blocked : program.path())) {
            QFile::setPermissions(program.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner);
            QSKIP("running as root: file modes do not stop writes, so this case cannot be set up");
        }
        const QByteArray before = readAll(blocked);
        sharedState().ProgramFolder = QFileInfo(blocked).path();
        StartServiceLog();
        AppendServiceLog("line");
        QCOMPARE(sharedState().LogFilePath, appDataLog());
        QCOMPARE(readAll(appDataLog()), QByteArray(" \r\nline\r\n"));
        QCOMPARE(readAll(blocked), before);
        QCOMPARE(dialogs.shown, 0);
        QFile::setPermissions(program.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
    }

    void lostLogStaysChosen()
    {
        // program folder vanishes after start / appends lost silently, no other log chosen
        auto program = std::make_unique<QTemporaryDir>();
        sharedState().ProgramFolder = program->path();
        StartServiceLog();
        const QString chosen = sharedState().LogFilePath;
        program.reset();
        AppendServiceLog("lost");
        QCOMPARE(sharedState().LogFilePath, chosen);
        QVERIFY(!QFile::exists(chosen));
        QVERIFY(!QFile::exists(appDataLog()));
        QCOMPARE(dialogs.shown, 0);
    }
};

QTEST_GUILESS_MAIN(ServiceLogTest)
#include "tst_servicelog.moc"
