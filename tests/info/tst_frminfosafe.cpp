#include "tests/common/InfoWindowFixture.h"
#include "tests/common/RecordBuilder.h"
#include "info/InfoTexts.h"
#include "sim/SimRecords.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>
#include <functional>

namespace
{
const QString Probe = QStringLiteral("probe");
const QString Factory = QStringLiteral("factory");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// The default probe record with another curve byte (same gauge, same probe type).
QByteArray changedProbe(char curveByte = '\x11')
{
    QByteArray r = SimRecords::defaultProbe();
    r[100] = curveByte;
    return r;
}

// Every text the status box showed, for "the ready text never appeared".
struct TraceTexts {
    QStringList texts;
    explicit TraceTexts(QLineEdit* box)
    {
        QObject::connect(box, &QLineEdit::textChanged, box,
                         [this](const QString& t) { texts.append(t); });
    }
    bool showedReady() const
    {
        for (const QString& t : texts)
            if (t.startsWith(QStringLiteral("Ready")) || t.startsWith(QStringLiteral("Bereit")))
                return true;
        return false;
    }
};
// Answers every question with Yes, after running onQuestion (which may close the window).
class QuestionHookDialogs final : public UserDialogs
{
public:
    std::function<void()> onQuestion;
    QString folder;
    QStringList messages;
    int questions = 0;
    void message(const QString& text) override { messages.append(text); }
    bool askYesNo(const QString&, bool) override
    {
        ++questions;
        if (onQuestion)
            onQuestion();
        return true;
    }
    QString chooseFolder(const QString&, const QString&) override { return folder; }
};
} // namespace

class FrmInfoSafeTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { setReplyTimeoutMs(0); }
    void uploadShowsBackupAndVerified_data();
    void uploadShowsBackupAndVerified();
    void corruptByteNeverReady_data();
    void corruptByteNeverReady();
    void factoryGuard_data();
    void factoryGuard();
    void restoreFromMenu_data();
    void restoreFromMenu();
    void backupFolderBlocked();
    void closedDuringQuestion_data();
    void closedDuringQuestion();
};

void FrmInfoSafeTest::uploadShowsBackupAndVerified_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("ready");
    QTest::addColumn<QString>("note");
    QTest::newRow("German") << 0 << QStringLiteral("Ready \u2013 geprüft") << "Sicherung: ";
    QTest::newRow("English") << 1 << QStringLiteral("Ready \u2013 verified") << "Backup: ";
}

void FrmInfoSafeTest::uploadShowsBackupAndVerified()
{
    // probe upload / backup of the old file named below the status, status "Ready – verified"
    QFETCH(int, language);
    QFETCH(QString, ready);
    QFETCH(QString, note);
    InfoWindowFixture f;
    sharedState().LanguageIndex = language;
    QTemporaryDir source;
    writeFile(source.filePath(Probe), changedProbe().toHex().toUpper() + "\r\n");
    f.dialogs.folder = source.path();
    f.unlockDownload();
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.messages.join('|')));
    QCOMPARE(f.sim->gauge.file(Probe), changedProbe());
    QTRY_COMPARE(f.box("TraceBox")->text(), ready);
    QVERIFY(f.control<QLabel>("lblBackup")->text().startsWith(note));
    const QString path = f.control<QLabel>("lblBackup")->text().mid(note.size());
    QCOMPARE(f.box("TraceBox")->toolTip(), path);
    QCOMPARE(QFileInfo(path).absolutePath(),
             QDir(f.programFolder.filePath("backup")).absolutePath());
    QFile backup(path);
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), SimRecords::defaultProbe().toHex().toUpper() + "\r\n");
    QVERIFY(f.logLines().contains(QStringLiteral("Sicherung probe ") + path));
    QVERIFY(!f.button("cmdFactory")->isHidden());
}

void FrmInfoSafeTest::corruptByteNeverReady_data()
{
    QTest::addColumn<bool>("factory"); // factory overwrite, else probe upload
    QTest::addColumn<int>("offset");
    QTest::newRow("upload, byte 0") << false << 0;
    QTest::newRow("upload, byte 250") << false << 250;
    QTest::newRow("factory, byte 33") << true << 33;
    QTest::newRow("factory, byte 399") << true << 399;
}

void FrmInfoSafeTest::corruptByteNeverReady()
{
    // gauge stores one byte wrong / message with offset and backup, status never ready
    QFETCH(bool, factory);
    QFETCH(int, offset);
    InfoWindowFixture f;
    QTemporaryDir source;
    writeFile(source.filePath(Probe), changedProbe().toHex().toUpper() + "\r\n");
    f.dialogs.folder = source.path();
    sharedState().ProbeData = QString::fromLatin1(changedProbe().toHex());
    f.sim->gauge.setCorruptWriteOffset(offset);
    TraceTexts trace(f.box("TraceBox"));
    if (factory)
        f.window->cmdFactory_Click();
    else
        f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.dialogs.messages.size(), 1);
    const QString message = f.dialogs.messages.first();
    QVERIFY2(message.contains(QStringLiteral("ab Byte %1 ").arg(offset)), qPrintable(message));
    const QString backupPath = f.box("TraceBox")->toolTip();
    QVERIFY(!backupPath.isEmpty() && QFile::exists(backupPath));
    QVERIFY(message.contains(InfoTexts::restoreHint(backupPath)));
    QCOMPARE(f.box("TraceBox")->text(), InfoTexts::failedIndicator());
    QVERIFY(!f.control<QTimer>("TimerTrace")->isActive());
    QVERIFY(!trace.showedReady());
    QVERIFY(f.button("cmdFactory")->isHidden() || factory);
    bool logged = false;
    for (const QString& line : f.logLines())
        logged = logged || (line.contains(QStringLiteral("verify of")) &&
                            line.contains(QStringLiteral("byte %1 ").arg(offset)));
    QVERIFY(logged);
}

void FrmInfoSafeTest::factoryGuard_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("No") << false;
    QTest::newRow("Yes") << true;
}

void FrmInfoSafeTest::factoryGuard()
{
    // factory overwrite with another gauge's data / question default No; No writes nothing
    QFETCH(bool, answer);
    InfoWindowFixture f;
    const QByteArray other =
        QByteArray::fromHex(RecordBuilder().i32(4, 99).u8(32, 3).f32(36, 1.5f).hex().toLatin1());
    sharedState().ProbeData = QString::fromLatin1(other.toHex().toUpper());
    f.dialogs.answer = answer;
    f.window->cmdFactory_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.dialogs.questions.size(), 1);
    QVERIFY(f.dialogs.questions.first().contains(QStringLiteral("99")));
    QVERIFY(f.dialogs.questions.first().contains(QStringLiteral("20261205")));
    QCOMPARE(f.dialogs.questionDefaults.first(), false);
    QCOMPARE(f.sim->gauge.file(Factory), answer ? other : SimRecords::defaultFactory());
    QCOMPARE(f.sim->transcript().join('|').contains(QStringLiteral("$rm?")), answer);
    QVERIFY(f.dialogs.messages.isEmpty());
    if (answer)
        QTRY_COMPARE(f.box("TraceBox")->text(), InfoTexts::verifiedReady("Bereit"));
    else
        QVERIFY(f.box("TraceBox")->text().isEmpty());
}

void FrmInfoSafeTest::restoreFromMenu_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void FrmInfoSafeTest::restoreFromMenu()
{
    // upload, then the newest backup from the restore menu / old file back (Yes) or nothing sent
    QFETCH(bool, answer);
    InfoWindowFixture f;
    QTemporaryDir source;
    writeFile(source.filePath(Probe), changedProbe().toHex().toUpper() + "\r\n");
    f.dialogs.folder = source.path();
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    const QString backupPath = f.box("TraceBox")->toolTip();
    f.window->txtBuild_KeyDown(25, 0);
    f.window->txtBuild_KeyDown(51, 0);
    QMenu* menu = f.button("cmdRestore")->menu();
    QVERIFY(menu);
    emit menu->aboutToShow();
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions().first()->data().toString(), backupPath);
    f.sim->gauge.clearTranscript();
    f.dialogs.answer = answer;
    menu->actions().first()->trigger();
    QVERIFY(f.settle());
    QCOMPARE(f.dialogs.questions.size(), 1);
    QVERIFY(f.dialogs.questions.first().contains(backupPath));
    QCOMPARE(f.sim->gauge.file(Probe), answer ? SimRecords::defaultProbe() : changedProbe());
    QCOMPARE(f.sim->transcript().isEmpty(), !answer);
    QVERIFY(f.dialogs.messages.isEmpty());
    if (!answer)
        return;
    QTRY_COMPARE(f.box("TraceBox")->text(), InfoTexts::verifiedReady("Bereit"));
    emit menu->aboutToShow(); // the restore took a backup of its own
    QCOMPARE(menu->actions().size(), 2);
    QVERIFY(menu->actions().first()->data().toString() != backupPath);
}

void FrmInfoSafeTest::backupFolderBlocked()
{
    // no backup folder can be made / upload writes nothing, the user is told why
    QStandardPaths::setTestModeEnabled(true);
    InfoWindowFixture f;
    const QString appBackup =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/backup";
    QDir(appBackup).removeRecursively();
    QDir().mkpath(QFileInfo(appBackup).absolutePath());
    writeFile(appBackup, "x");
    writeFile(f.programFolder.filePath("backup"), "x");
    QTemporaryDir source;
    writeFile(source.filePath(Probe), changedProbe().toHex().toUpper() + "\r\n");
    f.dialogs.folder = source.path();
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QFile::remove(appBackup);
    QStandardPaths::setTestModeEnabled(false);
    QCOMPARE(f.sim->gauge.file(Probe), SimRecords::defaultProbe());
    QVERIFY(!f.sim->transcript().join('|').contains(QStringLiteral("$rm?")));
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().contains(QStringLiteral("Es wurde nichts geschrieben.")));
    QCOMPARE(f.box("TraceBox")->text(), InfoTexts::failedIndicator());
    QVERIFY(f.control<QLabel>("lblBackup")->text().isEmpty());
}

void FrmInfoSafeTest::closedDuringQuestion_data()
{
    QTest::addColumn<bool>("factory"); // factory overwrite, else probe upload
    QTest::addColumn<QByteArray>("data");
    const QByteArray otherGauge =
        QByteArray::fromHex(RecordBuilder().i32(4, 99).u8(32, 3).hex().toLatin1());
    QTest::newRow("factory, size question") << true << QByteArray(32, '\x01');
    QTest::newRow("factory, guard question") << true << otherGauge;
    QTest::newRow("upload, size question") << false << QByteArray(32, '\x01');
    QTest::newRow("upload, guard question") << false << otherGauge;
}

void FrmInfoSafeTest::closedDuringQuestion()
{
    // window closed while a question is open / Yes then writes nothing, no crash, no file open
    QFETCH(bool, factory);
    QFETCH(QByteArray, data);
    InfoWindowFixture f;
    QuestionHookDialogs dialogs;
    setUserDialogs(&dialogs);
    QTemporaryDir source;
    writeFile(source.filePath(Probe), data.toHex() + "\r\n");
    dialogs.folder = source.path();
    sharedState().ProbeData = QString::fromLatin1(data.toHex());
    dialogs.onQuestion = [&f] { delete f.window.data(); };
    if (factory)
        f.window->cmdFactory_Click();
    else
        f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QVERIFY(f.window.isNull());
    QCOMPARE(dialogs.questions, 1);
    QVERIFY(!f.sim->transcript().join('|').contains(QStringLiteral("$rm?")));
    QCOMPARE(f.sim->gauge.file(factory ? Factory : Probe),
             factory ? SimRecords::defaultFactory() : SimRecords::defaultProbe());
    QCOMPARE(f.sim->gauge.openHandleCount(), 0);
    QVERIFY(dialogs.messages.isEmpty());
    setUserDialogs(&f.dialogs);
}

QTEST_MAIN(FrmInfoSafeTest)
#include "tst_frminfosafe.moc"
