#include "info/CalibrationGrid.h"
#include "info/CurveChart.h"
#include "info/RecordCellTexts.h"
#include "info/RecordComparison.h"
#include "tests/common/InfoWindowFixture.h"
#include "tests/common/RecordBuilder.h"

#include <QRadioButton>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

// Probe and factory record in the information window: curves and differing cells in bold.
namespace
{
using Points = QList<QPointF>;
using Cells = QList<CellPosition>;
constexpr int kPoints = 15;
const ViewTexts::Record kProbe = ViewTexts::Record::Probe, kFactory = ViewTexts::Record::Factory;

// Curves of a record: thickness scale * i + 7 * kind, reading 1 - step * i - kind / 100.
Points curve(int kind, float scale, float step, int skip = -1)
{
    Points points;
    for (int i = 0; i < kPoints; ++i) {
        if (i != skip)
            points.append(QPointF(double(1.0f - step * float(i) - float(kind) * 0.01f),
                                  double(scale * float(i) + float(kind) * 7.0f)));
    }
    return points;
}
// A record with both curves (table A at 36 and 156, B at 96 and 216); a NaN at point `nan`.
QByteArray curvesRecord(float scale, float step, int nan = -1)
{
    RecordBuilder r;
    for (int kind = 0; kind < 2; ++kind) {
        const Points points = curve(kind, scale, step);
        for (int i = 0; i < kPoints; ++i) {
            r.f32(36 + 120 * kind + 4 * i, float(points[i].y()));
            r.f32(96 + 120 * kind + 4 * i, i == nan && kind == 0 ? NAN : float(points[i].x()));
        }
    }
    return r.f32(332, 0.5f).f32(336, 50.0f).hex().toLatin1();
}
// A record with serial number, FE offset, NFE scale and beep as given.
QString recordHex(qint32 serial, float feOffset, float nfeScale, quint8 beep)
{
    RecordBuilder r;
    r.i32(4, serial).u8(24, beep).u8(25, 5).u8(26, 30).u8(27, 1);
    r.f32(276, feOffset).f32(280, 1234.5f).f32(304, 1.198f).f32(308, nfeScale);
    return r.f32(332, 0.5f).f32(336, 50.0f).hex();
}

// The records as read in the connection to the simulated gauge.
void storeRecords(SimSession& sim, const QString& probe, const QString& factory)
{
    sim.session->storeRecord(QStringLiteral("probe"), {probe, {}});
    sim.session->storeRecord(QStringLiteral("factory"), {factory, {}});
}
} // namespace

class RecordViewsTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<SimSession> sim;

private slots:
    void init()
    {
        sim = std::make_unique<SimSession>();
        QVERIFY(sim->connect());
    }
    void cleanup() { sim.reset(); }

    void curves_data()
    {
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("factory");
        QTest::addColumn<Points>("probeFe");
        QTest::addColumn<Points>("factoryFe");
        const QString factory = curvesRecord(90, 0.05f);
        const QString probe = curvesRecord(100, 0.06f);
        QTest::newRow("both") << probe << factory << curve(0, 100, 0.06f) << curve(0, 90, 0.05f);
        QTest::newRow("NaN at factory point 5") << probe << QString(curvesRecord(90, 0.05f, 4))
                                                << curve(0, 100, 0.06f) << curve(0, 90, 0.05f, 4);
        QTest::newRow("probe cut short")
            << probe.left(200) << factory << Points() << curve(0, 90, 0.05f);
    }
    void curves()
    {
        // records at load / series hold their pairs inside the axes; undecodable probe draws none
        QFETCH(QString, probe);
        QFETCH(QString, factory);
        QFETCH(Points, probeFe);
        QFETCH(Points, factoryFe);
        storeRecords(*sim, probe, factory);
        frmInfo window(&sim->link);
        CurveChart* chart = control<CurveChart>(window, "chartCurves");
        QCOMPARE(chart->chart()->title(), QStringLiteral("Kennlinien"));
        QCOMPARE(chart->series(0, kProbe)->points(), probeFe);
        QCOMPARE(chart->series(1, kProbe)->points(),
                 probeFe.isEmpty() ? Points() : curve(1, 100, 0.06f));
        QCOMPARE(chart->series(0, kFactory)->points(), factoryFe);
        QCOMPARE(chart->series(1, kFactory)->points(), curve(1, 90, 0.05f));
        QRectF drawn; // every point inside the axes, which add no more than the points' span
        for (int kind = 0; kind < 2; ++kind) {
            for (const auto record : {kProbe, kFactory}) {
                for (const QPointF& p : chart->series(kind, record)->points())
                    drawn |= QRectF(p, QSizeF(1e-9, 1e-9));
            }
        }
        const QRectF axes(QPointF(chart->readingAxis()->min(), chart->thicknessAxis()->min()),
                          QPointF(chart->readingAxis()->max(), chart->thicknessAxis()->max()));
        QVERIFY(axes.contains(drawn));
        QVERIFY(axes.width() < 2 * drawn.width() && axes.height() < 2 * drawn.height());
        QCOMPARE(chart->series(1, kProbe)->pen().style(), Qt::DashLine);
        QCOMPARE(chart->series(1, kFactory)->pen().style(), Qt::SolidLine);
    }

    void cellInOneListOnly()
    {
        // a cell that one list lacks / counted as differing, whichever list lacks it
        const QList<CellText> full = recordCellTexts({}, QString(), QLocale::c());
        const Cells first{{full[1].row, full[1].column}};
        QCOMPARE(RecordComparison::differingCells(full.mid(0, 1) + full.mid(2), full), first);
        QCOMPARE(RecordComparison::differingCells(full, full.mid(0, 1) + full.mid(2)), first);
    }

    void windowMarksDifferences()
    {
        // no record, then two differing, then probe chosen / bold differing cells, shading kept
        frmInfo window(&sim->link);
        const QTableWidget* grid = control<QTableWidget>(window, "MSFlexGrid1");
        QRadioButton* optProbe = control<QRadioButton>(window, "optProbe");
        QVERIFY(!optProbe->isEnabled());
        QList<QColor> shading;
        for (int r = 0; r < CalibrationGrid::Rows; ++r)
            for (int c = 0; c < CalibrationGrid::Columns; ++c)
                shading.append(grid->item(r, c)->background().color());
        storeRecords(*sim, recordHex(111, 1.25f, 980.25f, 1), recordHex(222, 1.5f, 900.0f, 1));
        window.refreshViews();
        const Cells bold{{1, 1}, {2, 2}, {11, 1}};
        for (int r = 0, i = 0; r < CalibrationGrid::Rows; ++r) {
            for (int c = 0; c < CalibrationGrid::Columns; ++c, ++i) {
                QCOMPARE(grid->item(r, c)->font().bold(), bold.contains(CellPosition{r, c}));
                QCOMPARE(grid->item(r, c)->background().color(), shading.at(i));
            }
        }
        optProbe->click();
        QCOMPARE(grid->item(0, 0)->text(), sharedState().ProbeFileName);
        QCOMPARE(grid->item(11, 1)->text(), QStringLiteral("111"));
        QVERIFY(grid->item(11, 1)->font().bold());
        sim->session->storeRecord(QStringLiteral("probe"), {QStringLiteral("00112233"), {}});
        window.refreshViews();
        QVERIFY(!optProbe->isEnabled() && !grid->item(11, 1)->font().bold());
    }
};

QTEST_MAIN(RecordViewsTest)
#include "tst_recordviews.moc"
