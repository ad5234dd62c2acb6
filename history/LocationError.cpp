#include "history/LocationError.h"

QString LocationError::text() const
{
    switch (kind) {
    case Kind::None:
        return {};
    case Kind::UnknownScheme:
        return QStringLiteral("%1:// is not a history: give a file or a postgresql:// URL")
            .arg(part);
    case Kind::Malformed:
        return QStringLiteral("malformed postgresql:// URL (%1)").arg(part);
    case Kind::BadEscape:
        return QStringLiteral("bad %-escape in the %1 of the URL").arg(part);
    case Kind::UnknownParameter:
        return QStringLiteral("unknown connection parameter \"%1\" in the URL").arg(part);
    case Kind::BadPort:
        return QStringLiteral("the port in the URL is not a number from 1 to 65535");
    case Kind::Unpassable:
        return QStringLiteral("the value of %1 holds a ';', which cannot be passed on").arg(part);
    case Kind::NotAFile:
        return QStringLiteral("%1 must be a file, not a server").arg(part);
    }
    return {};
}
