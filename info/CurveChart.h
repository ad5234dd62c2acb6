#pragma once

#include "info/ViewTexts.h"
#include "state/SharedState.h"

#include <QtCharts/QChartView>
#include <array>
#include <optional>

class QLineSeries;
class QValueAxis;

// The characteristic curves of the probe and the factory record in one chart: per probe kind
// one colour, the probe record dashed, the factory record solid.
class CurveChart : public QChartView
{
    Q_OBJECT
public:
    explicit CurveChart(QWidget* parent = nullptr);

    // Draws the curves of the records given; a record that is not known draws nothing.
    void setRecords(const std::optional<DeviceRecordValues>& probe,
                    const std::optional<DeviceRecordValues>& factory);
    // Draws these points as one curve (probe kind 0 FE or 1 NFE, the record's slot: the probe's
    // dashed line or the factory's solid one); the axes follow.
    void setPoints(int kind, ViewTexts::Record record, const QList<QPointF>& points);
    // Title, axis titles and legend names in the current language.
    void applyLanguage();

    // The series of one probe kind (0 FE, 1 NFE) and record.
    QLineSeries* series(int kind, ViewTexts::Record record) const;
    QValueAxis* readingAxis() const { return m_x; }
    QValueAxis* thicknessAxis() const { return m_y; }

private:
    void fitAxes();

    QValueAxis* m_x = nullptr;
    QValueAxis* m_y = nullptr;
    // [kind][0 probe, 1 factory]
    std::array<std::array<QLineSeries*, 2>, 2> m_series{};
};
