#include "report/ReportChartObject.h"

#include "info/CurveChart.h"
#include "info/CurvePoints.h"

#include <QAbstractTextDocumentLayout>
#include <QGraphicsScene>
#include <QPainter>
#include <QTextDocument>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <cmath>

namespace
{
constexpr int kSectionProperty = QTextFormat::UserProperty + 1;
constexpr qreal kWidthMm = 170;
constexpr qreal kHeightMm = 85;
constexpr qreal kMmPerInch = 25.4;
constexpr qreal kScreenDpi = 96;   // the chart is laid out in pixels of this size
constexpr qreal kChartScale = 1.2; // and larger than printed, so its texts print smaller

constexpr std::array<ViewTexts::Record, 2> kSlot{ViewTexts::Record::Probe,
                                                 ViewTexts::Record::Factory};

qreal deviceDpi(const QTextDocument* document)
{
    const QPaintDevice* device = document->documentLayout()->paintDevice();
    return device ? device->logicalDpiY() : kScreenDpi;
}

// Ticks at multiples of 1, 2 or 5 times a power of ten, about five over the axis' range.
void roundTicks(QValueAxis& axis)
{
    const double rough = (axis.max() - axis.min()) / 5;
    if (!(rough > 0))
        return;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double mantissa = rough / power;
    const double step = mantissa < 1.5 ? 1 : mantissa < 3.5 ? 2 : 5;
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(0);
    axis.setTickInterval(step * power);
}

void fill(CurveChart& chart, const ReportCalibration& section)
{
    for (int kind = 0; kind < CurvePoints::KindCount; ++kind) {
        for (size_t slot = 0; slot < kSlot.size(); ++slot) {
            chart.setPoints(kind, kSlot[slot], section.curves[size_t(kind)][slot]);
            chart.series(kind, kSlot[slot])->setName(section.curveNames[size_t(kind)][slot]);
        }
    }
    // On paper: ticks at round values, and the legend shows each curve's line (dashed or solid).
    roundTicks(*chart.readingAxis());
    roundTicks(*chart.thicknessAxis());
    chart.chart()->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart.chart()->setBackgroundRoundness(0);
}
} // namespace

ReportChartObject::ReportChartObject(QList<ReportCalibration> sections, QObject* parent)
    : QObject(parent), m_sections(std::move(sections))
{
}

QTextCharFormat ReportChartObject::format(int section)
{
    QTextCharFormat f;
    f.setObjectType(Type);
    f.setProperty(kSectionProperty, section);
    return f;
}

QSizeF ReportChartObject::intrinsicSize(QTextDocument* document, int, const QTextFormat&)
{
    const qreal perMm = deviceDpi(document) / kMmPerInch;
    const qreal width = qMin(kWidthMm * perMm, document->pageSize().width() * 0.95);
    return {width, kHeightMm * perMm};
}

void ReportChartObject::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document,
                                   int, const QTextFormat& format)
{
    const int section = format.property(kSectionProperty).toInt();
    if (section < 0 || section >= m_sections.size())
        return;
    CurveChart chart;
    chart.applyLanguage();
    fill(chart, m_sections.at(section));
    const QSizeF pixels = rect.size() * kScreenDpi * kChartScale / deviceDpi(document);
    chart.chart()->resize(pixels);
    chart.scene()->setSceneRect(QRectF(QPointF(), pixels));
    chart.scene()->render(painter, rect, QRectF(QPointF(), pixels));
}
