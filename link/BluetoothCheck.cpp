#include "link/BluetoothCheck.h"

#include "state/TextCatalogue.h"

namespace BluetoothCheck
{
Cause causeOf(const BleResult& result)
{
    switch (result.code) {
    case 0:
        return Cause::None;
    case BleNoAdapter:
        return Cause::NoAdapter;
    case BleAdapterOff:
        return Cause::AdapterOff;
    case BleServiceNotRunning:
        return Cause::ServiceNotRunning;
    case BleNoPermission:
        return Cause::NoPermission;
    default:
        return Cause::Other;
    }
}

QString causeText(Cause cause)
{
    switch (cause) {
    case Cause::None:
        return QString();
    case Cause::NoAdapter:
        return pick("Kein Bluetooth-Adapter gefunden.", "No Bluetooth adapter found.");
    case Cause::AdapterOff:
        return pick("Der Bluetooth-Adapter ist ausgeschaltet.",
                    "The Bluetooth adapter is switched off.");
    case Cause::ServiceNotRunning:
        return pick("Der Bluetooth-Dienst läuft nicht.", "The Bluetooth service is not running.");
    case Cause::NoPermission:
        return pick("Keine Berechtigung für Bluetooth.", "No permission to use Bluetooth.");
    case Cause::Other:
        break;
    }
    return pick("Bluetooth meldet einen Fehler.", "Bluetooth reports an error.");
}

QString adviceText(Cause cause)
{
    switch (cause) {
    case Cause::NoAdapter:
        return pick("Einen Bluetooth-LE-Adapter anschließen oder in den Systemeinstellungen "
                    "aktivieren.",
                    "Plug in a Bluetooth LE adapter or enable it in the system settings.");
    case Cause::AdapterOff:
        return pick("Bluetooth in den Systemeinstellungen einschalten.",
                    "Switch Bluetooth on in the system settings.");
    case Cause::ServiceNotRunning:
        return pick("Den Bluetooth-Dienst starten (Linux: systemctl start bluetooth).",
                    "Start the Bluetooth service (Linux: systemctl start bluetooth).");
    case Cause::NoPermission:
        return pick("Dem Programm den Zugriff auf Bluetooth erlauben (Linux: Benutzer in die "
                    "Gruppe bluetooth aufnehmen).",
                    "Allow the program to use Bluetooth (Linux: add the user to the group "
                    "bluetooth).");
    case Cause::None:
    case Cause::Other:
        break;
    }
    return QString();
}

QString explain(const BleResult& result)
{
    const Cause cause = causeOf(result);
    if (cause == Cause::None)
        return QString();
    if (cause == Cause::Other)
        return causeText(cause) + QLatin1Char(' ') + result.description;
    return causeText(cause) + QLatin1Char(' ') + adviceText(cause);
}

} // namespace BluetoothCheck
