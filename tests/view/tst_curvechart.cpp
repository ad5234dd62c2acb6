#include "info/CurveChart.h"
#include "info/frmInfo.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "tests/common/InfoWindowFixture.h"
#include "tests/common/RecordBuilder.h"

#include <QPushButton>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>
#include <cmath>
#include <limits>

// The characteristic curves in the information window: the four tables of the probe and the
// factory record drawn as reading (table B) against thickness (table A).
namespace
{
using Points = QList<QPointF>;
constexpr int kPoints = 15;
constexpr int kTableA[2] = {36, 156};
constexpr int kTableB[2] = {96, 216};

// Table A of a curve: scale * point number; table B: 1 - step * point number. Each record and
// probe kind gets its own numbers.
float thicknessAt(int kind, float scale, int i)
{
    return scale * float(i) + float(kind) * 7.0f;
}
float readingAt(int kind, float step, int i)
{
    return 1.0f - step * float(i) - float(kind) * 0.01f;
}

QByteArray curvesRecord(float scale, float step, int nanPoint = -1)
{
    RecordBuilder r;
    for (int kind = 0; kind < 2; ++kind) {
        for (int i = 0; i < kPoints; ++i) {
            r.f32(kTableA[kind] + 4 * i, thicknessAt(kind, scale, i));
            const float b = i == nanPoint && kind == 0 ? std::numeric_limits<float>::quiet_NaN()
                                                       : readingAt(kind, step, i);
            r.f32(kTableB[kind] + 4 * i, b);
        }
    }
    r.f32(332, 0.5f).f32(336, 50.0f);
    return r.hex().toLatin1();
}

Points expectedPoints(int kind, float scale, float step, int skip = -1)
{
    Points points;
    for (int i = 0; i < kPoints; ++i) {
        if (i != skip)
            points.append(
                QPointF(double(readingAt(kind, step, i)), double(thicknessAt(kind, scale, i))));
    }
    return points;
}

constexpr float kProbeScale = 100.0f, kProbeStep = 0.06f;
constexpr float kFactoryScale = 90.0f, kFactoryStep = 0.05f;
} // namespace

class CurveChartTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void seriesHoldDecodedPoints_data();
    void seriesHoldDecodedPoints();
    void pointWithoutFiniteValueLeftOut();
    void undecodableRecordDrawsNothing_data();
    void undecodableRecordDrawsNothing();
    void redrawnAfterRead();
    void probeDashedFactorySolid();
    void languageSwitchRetitles_data();
    void languageSwitchRetitles();
};

void CurveChartTest::init()
{
    resetSharedState();
    fillTextTables();
}

void CurveChartTest::seriesHoldDecodedPoints_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("probe");
    QTest::addColumn<Points>("expected");
    QTest::newRow("FE probe") << 0 << true << expectedPoints(0, kProbeScale, kProbeStep);
    QTest::newRow("NFE probe") << 1 << true << expectedPoints(1, kProbeScale, kProbeStep);
    QTest::newRow("FE factory") << 0 << false << expectedPoints(0, kFactoryScale, kFactoryStep);
    QTest::newRow("NFE factory") << 1 << false << expectedPoints(1, kFactoryScale, kFactoryStep);
}

void CurveChartTest::seriesHoldDecodedPoints()
{
    // probe and factory data known when the window loads / each series holds its 15 pairs
    QFETCH(int, kind);
    QFETCH(bool, probe);
    QFETCH(Points, expected);
    sharedState().ProbeData = QString::fromLatin1(curvesRecord(kProbeScale, kProbeStep));
    sharedState().FactoryData = QString::fromLatin1(curvesRecord(kFactoryScale, kFactoryStep));
    frmInfo window(nullptr);
    CurveChart* chart = control<CurveChart>(window, "chartCurves");
    const auto record = probe ? ViewTexts::Record::Probe : ViewTexts::Record::Factory;
    QCOMPARE(chart->series(kind, record)->points(), expected);
    // Every point lies inside the axes' ranges.
    for (const QPointF& p : expected) {
        QVERIFY(p.x() >= chart->readingAxis()->min());
        QVERIFY(p.x() <= chart->readingAxis()->max());
        QVERIFY(p.y() >= chart->thicknessAxis()->min());
        QVERIFY(p.y() <= chart->thicknessAxis()->max());
    }
}

void CurveChartTest::pointWithoutFiniteValueLeftOut()
{
    // a NaN in table B at point 5 / that point missing, the other 14 in order
    sharedState().FactoryData = QString::fromLatin1(curvesRecord(kFactoryScale, kFactoryStep, 4));
    frmInfo window(nullptr);
    CurveChart* chart = control<CurveChart>(window, "chartCurves");
    QCOMPARE(chart->series(0, ViewTexts::Record::Factory)->points(),
             expectedPoints(0, kFactoryScale, kFactoryStep, 4));
    QCOMPARE(chart->series(1, ViewTexts::Record::Factory)->points().size(), kPoints);
}

void CurveChartTest::undecodableRecordDrawsNothing_data()
{
    QTest::addColumn<QString>("probeHex");
    QTest::addColumn<int>("probePoints");
    QTest::addColumn<int>("factoryPoints");
    QTest::newRow("no probe data") << QString() << 0 << kPoints;
    QTest::newRow("probe cut short")
        << QString::fromLatin1(curvesRecord(1, 0.01f).left(200)) << 0 << kPoints;
    QTest::newRow("probe not hex") << QString(800, QLatin1Char('Z')) << 0 << kPoints;
    QTest::newRow("both good") << QString::fromLatin1(curvesRecord(1, 0.01f)) << kPoints << kPoints;
}

void CurveChartTest::undecodableRecordDrawsNothing()
{
    // a probe record missing or not decodable / no probe curve, the factory curve still drawn
    QFETCH(QString, probeHex);
    QFETCH(int, probePoints);
    QFETCH(int, factoryPoints);
    sharedState().ProbeData = probeHex;
    sharedState().FactoryData = QString::fromLatin1(curvesRecord(kFactoryScale, kFactoryStep));
    frmInfo window(nullptr);
    CurveChart* chart = control<CurveChart>(window, "chartCurves");
    for (int kind = 0; kind < 2; ++kind) {
        QCOMPARE(chart->series(kind, ViewTexts::Record::Probe)->count(), probePoints);
        QCOMPARE(chart->series(kind, ViewTexts::Record::Factory)->count(), factoryPoints);
    }
}

void CurveChartTest::redrawnAfterRead()
{
    // the read button on a gauge with distinct probe and factory curves / both drawn afterwards
    InfoWindowFixture f;
    CurveChart* chart = f.control<CurveChart>("chartCurves");
    f.sim->gauge.setFile(QStringLiteral("probe"),
                         QByteArray::fromHex(curvesRecord(kProbeScale, kProbeStep)));
    f.sim->gauge.setFile(QStringLiteral("factory"),
                         QByteArray::fromHex(curvesRecord(kFactoryScale, kFactoryStep)));
    QCOMPARE(chart->series(0, ViewTexts::Record::Probe)->count(), 0);
    f.button("cmdDaten")->click();
    QTRY_VERIFY(!f.window->isBusy());
    QCOMPARE(chart->series(0, ViewTexts::Record::Probe)->points(),
             expectedPoints(0, kProbeScale, kProbeStep));
    QCOMPARE(chart->series(1, ViewTexts::Record::Factory)->points(),
             expectedPoints(1, kFactoryScale, kFactoryStep));
}

void CurveChartTest::probeDashedFactorySolid()
{
    // the four series / probe dashed, factory solid, one colour per probe kind
    frmInfo window(nullptr);
    CurveChart* chart = control<CurveChart>(window, "chartCurves");
    for (int kind = 0; kind < 2; ++kind) {
        const QPen probe = chart->series(kind, ViewTexts::Record::Probe)->pen();
        const QPen factory = chart->series(kind, ViewTexts::Record::Factory)->pen();
        QCOMPARE(probe.style(), Qt::DashLine);
        QCOMPARE(factory.style(), Qt::SolidLine);
        QCOMPARE(probe.color().hue(), factory.color().hue());
    }
    QVERIFY(chart->series(0, ViewTexts::Record::Factory)->pen().color() !=
            chart->series(1, ViewTexts::Record::Factory)->pen().color());
}

void CurveChartTest::languageSwitchRetitles_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("xTitle");
    QTest::addColumn<QString>("legendProbeFe");
    QTest::newRow("German") << int(LanguageGerman) << "Messwert normiert (Tabelle B)"
                            << "FE Sonde";
    QTest::newRow("English") << int(LanguageEnglish) << "Normalised reading (table B)"
                             << "FE probe";
}

void CurveChartTest::languageSwitchRetitles()
{
    // the window's language routine after a switch / axis titles and legend in that language
    QFETCH(int, language);
    QFETCH(QString, xTitle);
    QFETCH(QString, legendProbeFe);
    frmInfo window(nullptr);
    CurveChart* chart = control<CurveChart>(window, "chartCurves");
    sharedState().LanguageIndex = language == LanguageGerman ? LanguageEnglish : LanguageGerman;
    window.applyLanguage();
    QVERIFY(chart->readingAxis()->titleText() != xTitle);
    sharedState().LanguageIndex = int16_t(language);
    window.applyLanguage();
    QCOMPARE(chart->readingAxis()->titleText(), xTitle);
    QCOMPARE(chart->series(0, ViewTexts::Record::Probe)->name(), legendProbeFe);
    QVERIFY(!chart->thicknessAxis()->titleText().isEmpty());
}

QTEST_MAIN(CurveChartTest)
#include "tst_curvechart.moc"
