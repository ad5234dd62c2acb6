#include "info/CurveChart.h"

#include "info/CurvePoints.h"

#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <cmath>

namespace
{
constexpr int kMinimumWidth = 420;
constexpr int kMinimumHeight = 320;
constexpr qreal kLineWidth = 2.0;
constexpr qreal kMargin = 0.05;    // share of the span added on each side
constexpr int kProbeLighter = 160; // percent

size_t slot(ViewTexts::Record record)
{
    return record == ViewTexts::Record::Probe ? 0 : 1;
}

QColor kindColour(int kind)
{
    return kind == CurvePoints::KindFe ? QColor(0x1F, 0x5F, 0xB0) : QColor(0xC0, 0x50, 0x10);
}

// Lower and upper bound with a margin; a single value or nothing gets a span of its own.
QPair<qreal, qreal> padded(qreal low, qreal high)
{
    if (low > high)
        return {0.0, 1.0};
    const qreal span = high - low;
    if (span <= 0.0)
        return {low - 0.5, high + 0.5};
    return {low - span * kMargin, high + span * kMargin};
}
// Two significant digits of the span: 0.25 steps on a span of 1, whole microns on one of 1000.
QString labelFormat(qreal span)
{
    const int decimals = qBound(0, 2 - int(std::floor(std::log10(span))), 6);
    return QStringLiteral("%.%1f").arg(decimals);
}
} // namespace

CurveChart::CurveChart(QWidget* parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("CurveChart"));
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    // The view's own chart: one set in its place would leave the first one without an owner.
    QChart* chart = this->chart();
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_x = new QValueAxis(chart);
    m_y = new QValueAxis(chart);
    chart->addAxis(m_x, Qt::AlignBottom);
    chart->addAxis(m_y, Qt::AlignLeft);
    for (int kind = 0; kind < CurvePoints::KindCount; ++kind) {
        // The probe's dashed line lies on top of the factory's solid one, in a lighter shade,
        // so that both show where the curves agree.
        for (ViewTexts::Record record : {ViewTexts::Record::Factory, ViewTexts::Record::Probe}) {
            auto* s = new QLineSeries(chart);
            const bool probe = record == ViewTexts::Record::Probe;
            QPen pen(probe ? kindColour(kind).lighter(kProbeLighter) : kindColour(kind));
            pen.setWidthF(kLineWidth);
            pen.setStyle(probe ? Qt::DashLine : Qt::SolidLine);
            s->setPen(pen);
            chart->addSeries(s);
            s->attachAxis(m_x);
            s->attachAxis(m_y);
            m_series[size_t(kind)][slot(record)] = s;
        }
    }
    fitAxes();
    applyLanguage();
}

QLineSeries* CurveChart::series(int kind, ViewTexts::Record record) const
{
    if (kind < 0 || kind >= CurvePoints::KindCount)
        return nullptr;
    return m_series[size_t(kind)][slot(record)];
}

void CurveChart::setRecords(const std::optional<DeviceRecordValues>& probe,
                            const std::optional<DeviceRecordValues>& factory)
{
    for (int kind = 0; kind < CurvePoints::KindCount; ++kind) {
        series(kind, ViewTexts::Record::Probe)
            ->replace(probe ? CurvePoints::of(*probe, kind) : QList<QPointF>());
        series(kind, ViewTexts::Record::Factory)
            ->replace(factory ? CurvePoints::of(*factory, kind) : QList<QPointF>());
    }
    fitAxes();
}

void CurveChart::setPoints(int kind, ViewTexts::Record record, const QList<QPointF>& points)
{
    if (QLineSeries* s = series(kind, record)) {
        s->replace(points);
        fitAxes();
    }
}

void CurveChart::fitAxes()
{
    qreal xLow = 0, xHigh = -1, yLow = 0, yHigh = -1;
    bool any = false;
    for (const auto& kind : m_series) {
        for (const QLineSeries* s : kind) {
            for (const QPointF& p : s->points()) {
                xLow = any ? qMin(xLow, p.x()) : p.x();
                xHigh = any ? qMax(xHigh, p.x()) : p.x();
                yLow = any ? qMin(yLow, p.y()) : p.y();
                yHigh = any ? qMax(yHigh, p.y()) : p.y();
                any = true;
            }
        }
    }
    const auto x = padded(xLow, xHigh);
    const auto y = padded(yLow, yHigh);
    m_x->setRange(x.first, x.second);
    m_y->setRange(y.first, y.second);
    m_x->setLabelFormat(labelFormat(x.second - x.first));
    m_y->setLabelFormat(labelFormat(y.second - y.first));
    // The span of an empty chart is made up: its numbers would say nothing.
    m_x->setLabelsVisible(any);
    m_y->setLabelsVisible(any);
    chart()->legend()->setVisible(any);
}

void CurveChart::applyLanguage()
{
    chart()->setTitle(ViewTexts::chartTitle());
    m_x->setTitleText(ViewTexts::readingAxis());
    m_y->setTitleText(ViewTexts::thicknessAxis());
    for (int kind = 0; kind < CurvePoints::KindCount; ++kind) {
        for (ViewTexts::Record record : {ViewTexts::Record::Probe, ViewTexts::Record::Factory})
            series(kind, record)->setName(ViewTexts::seriesName(kind, record));
    }
}
