#pragma once

#include "history/SnapshotDiff.h"
#include "report/VisitOutcome.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <array>

// A label and its value in the report's header and gauge block.
struct ReportField {
    QString label;
    QString value;
};

// One thing done during the visit, in the order it was done.
struct ReportAction {
    QString time;    // local time of day
    QString what;    // the kind, with the file or language file it concerned
    QString outcome; // "OK" or the failure word, then what the event carried
    bool ok = true;
};

// The calibration values of one record file: the fields that the visit changed (before, after),
// or, when it changed nothing, the values as read (probe, factory); and the curves to draw.
struct ReportCalibration {
    QString caption;
    QStringList headers; // field, FE/NFE, first value column, second value column
    QList<FieldChange> rows;
    // [probe kind 0 FE, 1 NFE][0: the earlier or the probe's curve (dashed), 1: the later or
    // the factory's curve (solid)]; an empty list draws nothing.
    std::array<std::array<QList<QPointF>, 2>, 2> curves;
    std::array<std::array<QString, 2>, 2> curveNames;
};

// Everything a service report of one visit says, in the language it was made in. The renderer
// only lays it out.
struct ServiceReport {
    QString title;         // "Servicebericht" / "Service report"
    QString documentTitle; // the PDF's title: the report, the gauge and the visit's date
    QList<ReportField> header;
    QString gaugeCaption;
    QList<ReportField> gauge;
    QString actionsCaption;
    QStringList actionHeaders;
    QList<ReportAction> actions;
    QString calibrationCaption;
    QString calibrationNote; // why no values are shown, when none are
    QList<ReportCalibration> calibration;
    VisitOutcome outcome;
    QString closing; // the closing line
    QString footer;  // the gauge and the program, on every page
    QString pageOf;  // "Seite %1 von %2": the page's number and the page count
};
