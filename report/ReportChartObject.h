#pragma once

#include "report/ServiceReport.h"

#include <QObject>
#include <QTextCharFormat>
#include <QTextObjectInterface>

// The curves of a report's calibration sections as objects in its text document: each is drawn
// by the information window's chart, straight into the page's painter (lines and text stay
// vectors in a PDF).
class ReportChartObject : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    static constexpr int Type = QTextFormat::UserObject + 1;

    explicit ReportChartObject(QList<ReportCalibration> sections, QObject* parent = nullptr);

    // The character format that stands for the chart of section index.
    static QTextCharFormat format(int section);

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

private:
    QList<ReportCalibration> m_sections;
};
