#include "link/bluetooth/BleIdTexts.h"
#include "link/bluetooth/BleText.h"

#include <QtTest>

// The text identifiers of the Qt Bluetooth back end: one row per branch of the parsing.
class BleTextTest : public QObject
{
    Q_OBJECT
private slots:
    void serverIds_data();
    void serverIds();
    void uuidTexts_data();
    void uuidTexts();
    void identifiers_data();
    void identifiers();
    void keptIdentifiers_data();
    void keptIdentifiers();
};

void BleTextTest::serverIds_data()
{
    QTest::addColumn<QString>("serverId");
    QTest::addColumn<QString>("address"); // "" = rejected
    // clang-format off
    QTest::newRow("upper") << "5A454C564F01" << "5A:45:4C:56:4F:01";
    QTest::newRow("lower") << "5a454c564f01" << "5A:45:4C:56:4F:01";
    QTest::newRow("too short") << "5A454C564F0" << "";
    QTest::newRow("too long") << "5A454C564F012" << "";
    QTest::newRow("sign, which a number parse takes") << "+A454C564F01" << "";
    // clang-format on
}

void BleTextTest::serverIds()
{
    // a ServerId text / its address, and back to the upper-case ServerId
    QFETCH(QString, serverId);
    QFETCH(QString, address);
    const QBluetoothAddress parsed = BleText::addressOf(serverId);
    QCOMPARE(parsed.isNull() ? QString() : parsed.toString(), address);
    QCOMPARE(BleText::serverIdOf(parsed), address.isEmpty() ? "" : serverId.toUpper());
}

void BleTextTest::uuidTexts_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text"); // "" = rejected
    // clang-format off
    QTest::newRow("16-bit") << " 28ca" << "000028CA-0000-1000-8000-00805F9B34FB";
    QTest::newRow("32-bit") << "000028CB" << "000028CB-0000-1000-8000-00805F9B34FB";
    QTest::newRow("full lower") << "ca28ed7b-0662-466f-b41f-0fd548267c10" << "CA28ED7B-0662-466F-B41F-0FD548267C10";
    QTest::newRow("3 digits") << "2ca" << "";
    QTest::newRow("garbage") << "722383EA-0662-466F" << "";
    // clang-format on
}

void BleTextTest::uuidTexts()
{
    // any UUID notation / the 36-character upper-case text, or "" when unparsable
    QFETCH(QString, input);
    QFETCH(QString, text);
    QCOMPARE(BleText::uuidText(BleText::uuidFrom(input)), text);
}

void BleTextTest::identifiers_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("parts"); // service, characteristic, descriptor
    const QString s = "722383EA-0662-466F-B41F-0FD548267C10";
    const QString c = "000028CA-0000-1000-8000-00805F9B34FB";
    const QString d = "00002902-0000-1000-8000-00805F9B34FB";
    // clang-format off
    QTest::newRow("descriptor") << s + "/" + c + "/" + d << QStringList{s, c, d};
    QTest::newRow("four parts") << s + "/" + c + "/" + d + "/" + d << QStringList{"", "", ""};
    QTest::newRow("broken part") << s + "/xyz" << QStringList{s, "", ""};
    // clang-format on
}

void BleTextTest::identifiers()
{
    // an identifier text / its parts; what is malformed comes back null
    QFETCH(QString, id);
    QFETCH(QStringList, parts);
    const BleText::IdParts p = BleText::splitId(id);
    QCOMPARE(QStringList({BleText::uuidText(p.service), BleText::uuidText(p.characteristic),
                          BleText::uuidText(p.descriptor)}),
             parts);
    if (!p.descriptor.isNull())
        QCOMPARE(BleText::descriptorId(p.service, p.characteristic, p.descriptor), id);
}

void BleTextTest::keptIdentifiers_data()
{
    QTest::addColumn<QStringList>("asked"); // identifiers asked of one BleIdTexts, in this order
    const QString s = "722383EA-0662-466F-B41F-0FD548267C10";
    const QString t = "0000180A-0000-1000-8000-00805F9B34FB";
    const QString c = "000028CA-0000-1000-8000-00805F9B34FB";
    const QString d = "00002902-0000-1000-8000-00805F9B34FB";
    // clang-format off
    QTest::newRow("the same twice") << QStringList{s + "/" + c, s + "/" + c};
    QTest::newRow("one characteristic in two services") << QStringList{s + "/" + c, t + "/" + c};
    QTest::newRow("service and characteristic swapped") << QStringList{s + "/" + c, c + "/" + s};
    QTest::newRow("descriptor after its characteristic") << QStringList{s + "/" + c, s + "/" + c + "/" + d};
    // clang-format on
}

void BleTextTest::keptIdentifiers()
{
    // identifiers made in turn by one BleIdTexts from their UUIDs / each is BleText's text
    QFETCH(QStringList, asked);
    BleIdTexts kept;
    for (const QString& id : asked) {
        const BleText::IdParts p = BleText::splitId(id);
        QCOMPARE(p.descriptor.isNull()
                     ? kept.characteristicId(p.service, p.characteristic)
                     : kept.descriptorId(p.service, p.characteristic, p.descriptor),
                 id);
    }
}

QTEST_GUILESS_MAIN(BleTextTest)
#include "tst_bletext.moc"
