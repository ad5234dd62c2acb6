#include "history/HistoryLocation.h"

#include <QRegularExpression>

namespace
{
const QRegularExpression& urlScheme()
{
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://"));
    return scheme;
}

bool isPostgresScheme(const QString& scheme)
{
    return scheme.compare(u"postgresql", Qt::CaseInsensitive) == 0 ||
           scheme.compare(u"postgres", Qt::CaseInsensitive) == 0;
}

// "postgresql:" or "postgres:" without the two slashes.
bool isHalfUrl(const QString& text)
{
    static const QRegularExpression half(QStringLiteral("^postgres(ql)?:(?!//)"),
                                         QRegularExpression::CaseInsensitiveOption);
    return half.match(text).hasMatch();
}
} // namespace

HistoryLocation HistoryLocation::parse(const QString& text)
{
    HistoryLocation location;
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch url = urlScheme().match(trimmed);
    if (url.hasMatch() && !isPostgresScheme(url.captured(1))) {
        location.error = {LocationError::Kind::UnknownScheme, url.captured(1)};
    } else if (url.hasMatch()) {
        location.server = PostgresLocation::fromUrl(trimmed, location.error);
    } else if (isHalfUrl(trimmed)) {
        location.error = {LocationError::Kind::Malformed, QStringLiteral("no // after the scheme")};
    } else {
        location.sqlitePath = trimmed;
    }
    return location;
}

QString HistoryLocation::withoutPassword(const QString& text)
{
    const HistoryLocation parsed = parse(text);
    if (parsed.isValid())
        return parsed.displayText();
    const QRegularExpressionMatch url = urlScheme().match(text.trimmed());
    if (!url.hasMatch())
        return text;
    // From the first ':' to the last '@' (a password may hold '/', '?' or '@'; taking out too
    // much is harmless here), and the value of a password= item.
    QString rest = text.trimmed().mid(url.capturedLength());
    const qsizetype at = rest.lastIndexOf(u'@');
    const qsizetype colon = at < 0 ? -1 : rest.left(at).indexOf(u':');
    if (colon >= 0)
        rest.remove(colon, at - colon);
    static const QRegularExpression item(QStringLiteral("((?:^|[?&])(?:ssl)?password=)[^&]*"));
    rest.replace(item, QStringLiteral("\\1"));
    return url.captured(0) + rest;
}

QString HistoryLocation::displayText() const
{
    return server ? server->url() : sqlitePath;
}
