#pragma once

#include <QString>

// The fixed words of the gauge's protocol: its GATT layout, the command framing, the identity
// request and the names of its two record files. The windows copy them into the shared variables
// the link, information and main windows show; the device sequences use them from here.
namespace GaugeProtocol
{
inline const QString kServiceUuid = QStringLiteral("722383EA-0662-466F-B41F-0FD548267C10");
inline const QString kCommandCharUuid = QStringLiteral("000028CA-0000-1000-8000-00805F9B34FB");
inline const QString kTraceCharUuid = QStringLiteral("CA28ED7B-0662-466F-B41F-0FD548267C10");

// "!" CR LF: ends the commands that carry it instead of the bare "!".
inline const QString kTerminator = QStringLiteral("!\r\n");
inline const QString kIdentityCommand = QStringLiteral("$naxo00");
inline const QString kProbeFile = QStringLiteral("probe");
inline const QString kFactoryFile = QStringLiteral("factory");
} // namespace GaugeProtocol
