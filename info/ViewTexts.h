#pragma once

#include <QString>

// Texts of the information window's curve chart and record choice, in the current language
// (the shared LanguageIndex: 0 German, anything else English).
namespace ViewTexts
{
enum class Record { Probe, Factory };

QString chartTitle();
// Axis titles: x the normalised reading (table B), y the thickness (table A).
QString readingAxis();
QString thicknessAxis();
// Legend name of one curve: probe kind (0 FE, 1 NFE) and record.
QString seriesName(int kind, Record record);
// Captions of the choice which record the table shows.
QString showRecord(Record record);
// Tool tip of a table cell whose value differs between the two records.
QString differsHint();
} // namespace ViewTexts
