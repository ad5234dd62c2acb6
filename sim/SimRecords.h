#pragma once

#include <QByteArray>

// Plausible 400-byte device records ("probe" and "factory") for the simulated gauge.
namespace SimRecords
{
QByteArray defaultProbe();
QByteArray defaultFactory();
} // namespace SimRecords
