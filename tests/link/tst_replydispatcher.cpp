// The reply dispatcher: every reply of the gauge, in the order the dispatcher tests them.
#include "link/ReplyDispatcher.h"
#include "state/SharedState.h"

#include <QtTest>

namespace
{
// Shared reply variables before a reply arrives.
struct Before {
    qint16 status = 55;
    QString data;
    qint16 handle = 7;
    qint32 length = 9;
    double battery = 1.5;
};

void prime(const Before& b)
{
    resetSharedState();
    SharedState& s = sharedState();
    s.ReplyStatus = b.status;
    s.ReplyData = b.data;
    s.FileHandle = b.handle;
    s.FileLength = b.length;
    s.BatteryLevel = b.battery;
}
} // namespace

class tst_ReplyDispatcher : public QObject
{
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void malformedRepliesTouchNothing_data();
    void malformedRepliesTouchNothing();
    void identity_data();
    void identity();
    void listing_data();
    void listing();
};

// A reply / the shared reply variables it leaves.
void tst_ReplyDispatcher::replies_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("handle");
    QTest::addColumn<int>("length");
    QTest::addColumn<double>("battery");
    // clang-format off
    QTest::newRow("fw created")        << "$fw?3 0!"               << 0  << ""         << 3 << 9    << 1.5;
    QTest::newRow("fw refused")        << "$fw?0 5!"               << 5  << ""         << 0 << 9    << 1.5;
    QTest::newRow("fc closed")         << "$fc?3 0!"               << 0  << ""         << 7 << 9    << 1.5;
    QTest::newRow("fc status")         << "$fc?3 4!"               << 4  << ""         << 7 << 9    << 1.5;
    QTest::newRow("fc non-numeric")    << "$fc?x 0!"               << 99 << ""         << 7 << 9    << 1.5;
    QTest::newRow("wr written")        << "$wr?3 0!"               << 0  << ""         << 7 << 9    << 1.5;
    QTest::newRow("wr non-numeric")    << "$wr?E 5!"               << 99 << ""         << 7 << 9    << 1.5;
    QTest::newRow("rm removed")        << "$rm?0 0!"               << 0  << ""         << 7 << 9    << 1.5;
    QTest::newRow("rm non-numeric")    << "$rm?no file!"           << 99 << ""         << 7 << 9    << 1.5;
    QTest::newRow("fwu digit")         << "$fwu?1!"                << 1  << ""         << 7 << 9    << 1.5;
    QTest::newRow("fr open")           << "$fr?2 1024!"            << 55 << ""         << 2 << 1024 << 1.5;
    QTest::newRow("fmod")              << "$fmod?0!"               << 0  << ""         << 7 << 9    << 1.5;
    QTest::newRow("rd data")           << "$rd?3 100 04A1B2C3D4!"  << 3  << "A1B2C3D4" << 3 << 4    << 1.5;
    QTest::newRow("rd 1-digit field")  << "$rd?3 0 02ABCD!"        << 3  << "ABCD"     << 3 << 2    << 1.5;
    QTest::newRow("rd 4-digit field")  << "$rd?5 9999 01FF!"       << 5  << "FF"       << 5 << 1    << 1.5;
    QTest::newRow("rd empty block")    << "$rd?3 400 00!"          << 3  << ""         << 3 << 0    << 1.5;
    QTest::newRow("gcv numeric")       << "$gcv?3710!"             << 0  << "3710"     << 7 << 9    << 3710.0;
    QTest::newRow("gcv text")          << "$gcv?low!"              << 0  << "low"      << 7 << 9    << 1.5;
    QTest::newRow("glt")               << "$glt?2026-12-05/09:36:27!" << 0 << "2026-12-05/09:36:27" << 7 << 9 << 1.5;
    QTest::newRow("dltrig")            << "$dltrig!"               << 0  << ""         << 7 << 9    << 1.5;
    QTest::newRow("dlstate")           << "$dlstate?busy!"         << 0  << "busy"     << 7 << 9    << 1.5;
    QTest::newRow("dlget")             << "$dlget?12 34!"          << 0  << "12 34"    << 7 << 9    << 1.5;
    QTest::newRow("memory reset")      << "$fsf?0!"                << 0  << ""         << 7 << 9    << 1.5;
    QTest::newRow("reset refused")     << "$fsf?3!"                << 3  << ""         << 7 << 9    << 1.5;
    QTest::newRow("unknown keyword")   << "$xyz?1 2!"              << 55 << ""         << 7 << 9    << 1.5;
    QTest::newRow("empty value")       << ""                       << 55 << ""         << 7 << 9    << 1.5;
    // clang-format on
}

void tst_ReplyDispatcher::replies()
{
    // A reply from the gauge / exactly the variables of its row change.
    QFETCH(QString, reply);
    prime(Before{});
    ReplyDispatcher::dispatch(reply, sharedState());
    const SharedState& s = sharedState();
    QTEST(int(s.ReplyStatus), "status");
    QTEST(s.ReplyData, "data");
    QTEST(int(s.FileHandle), "handle");
    QTEST(int(s.FileLength), "length");
    QTEST(s.BatteryLevel, "battery");
}

void tst_ReplyDispatcher::malformedRepliesTouchNothing_data()
{
    QTest::addColumn<QString>("reply");
    QTest::newRow("fr without blank") << "$fr?2!";
    QTest::newRow("fr without !") << "$fr?2 1024";
    QTest::newRow("fr blank before ?") << "$fr 2?1024!";
    QTest::newRow("fr non-numeric length") << "$fr?2 lots!";
    QTest::newRow("fr handle out of range") << "$fr?70000 1!";
    QTest::newRow("fw without blank") << "$fw?3!";
    QTest::newRow("fc without !") << "$fc?3 0";
    QTest::newRow("wr without ?") << "$wr!";
    QTest::newRow("fwu without digit") << "$fwu?!";
    QTest::newRow("rd no second blank") << "$rd?3 100004A1B2C3D4!";
    QTest::newRow("rd second blank too far") << "$rd?3 12345 04A1B2C3D4!";
    QTest::newRow("rd count not digits") << "$rd?3 100 x4A1B2C3D4!";
    QTest::newRow("rd count beyond data") << "$rd?3 100 99A1!";
    QTest::newRow("rd cut after blank") << "$rd?3 1 ";
    QTest::newRow("rd only keyword") << "$rd";
    QTest::newRow("fsf status not numeric") << "$fsf?ok!";
    QTest::newRow("gcv without !") << "$gcv?";
    QTest::newRow("glt without !") << "$glt?12:00";
    QTest::newRow("identity without !") << "$naxo00 H:HW2";
    QTest::newRow("identity tag too close") << "$naxo00 H:W:1!";
    QTest::newRow("identity colon first") << ":H 1!";
    QTest::newRow("identity other prefix") << "$naxo01 H:HW2 R:3!";
}

void tst_ReplyDispatcher::malformedRepliesTouchNothing()
{
    // A reply lacking a separator its layout needs / ignored, no shared variable changes.
    QFETCH(QString, reply);
    prime(Before{55, "keep", 7, 9, 1.5});
    sharedState().Identity.Hardware = "old";
    QCOMPARE(ReplyDispatcher::dispatch(reply, sharedState()), DispatchResult::Ignored);
    const SharedState& s = sharedState();
    QCOMPARE(int(s.ReplyStatus), 55);
    QCOMPARE(s.ReplyData, QString("keep"));
    QCOMPARE(int(s.FileHandle), 7);
    QCOMPARE(int(s.FileLength), 9);
    QCOMPARE(s.Identity.Hardware, QString("old"));
}

void tst_ReplyDispatcher::identity_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("fields"); // Hardware, Mac, Controler, Build, Revision
    QTest::addColumn<int>("status");
    QTest::newRow("full reply") << "$naxo00 H:HW2 V:1.05 B:21 R:3 M:A1B2C3D4E5F6!"
                                << QStringList{"HW2", "A1B2C3D4E5F6", "1.05", "21", "3"} << 55;
    QTest::newRow("no fields") << "$naxo00!" << QStringList{"h", "m", "v", "b", "r"} << 0;
    QTest::newRow("T and S ignored")
        << "$naxo00 T:9 H:X1 S:2 R:7 M:Q!" << QStringList{"X1", "Q", "v", "b", "7"} << 55;
    QTest::newRow("mac not last keeps separator")
        << "$naxo00 M:AB R:12!" << QStringList{"h", "AB ", "v", "b", "1"} << 55;
    QTest::newRow("last non-mac field loses last char")
        << "$naxo00 H:HW2 R:34!" << QStringList{"HW2", "m", "v", "b", "3"} << 55;
}

void tst_ReplyDispatcher::identity()
{
    // An identity reply / the identity fields it carries, the others kept, ReplyData empty.
    QFETCH(QString, reply);
    QFETCH(QStringList, fields);
    prime(Before{});
    sharedState().Identity = IdentityFields{"h", "m", "v", "b", "r"};
    ReplyDispatcher::dispatch(reply, sharedState());
    const IdentityFields& id = sharedState().Identity;
    QCOMPARE((QStringList{id.Hardware, id.Mac, id.Controler, id.Build, id.Revision}), fields);
    QTEST(int(sharedState().ReplyStatus), "status");
    if (sharedState().ReplyStatus != 0)
        QVERIFY(sharedState().ReplyData.isEmpty());
}

void tst_ReplyDispatcher::listing_data()
{
    QTest::addColumn<QString>("searched");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("data");
    QTest::newRow("empty: copied whole") << "" << 0 << "$ls?probe factory lDE!";
    QTest::newRow("name found") << "lDE" << 20 << "lDE";
    QTest::newRow("name missing") << "lFR" << 0 << "lFR";
}

void tst_ReplyDispatcher::listing()
{
    // A listing reply / copied when nothing is searched, 20 when the searched name is in it.
    QFETCH(QString, searched);
    prime(Before{55, searched});
    ReplyDispatcher::dispatch(u"$ls?probe factory lDE!", sharedState());
    QTEST(int(sharedState().ReplyStatus), "status");
    QTEST(sharedState().ReplyData, "data");
}

QTEST_GUILESS_MAIN(tst_ReplyDispatcher)
#include "tst_replydispatcher.moc"
