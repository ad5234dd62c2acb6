#include "history/PostgresLocation.h"

#include <QRegularExpression>
#include <QSet>
#include <QUrl>

namespace
{
using Kind = LocationError::Kind;

// The connection keywords of libpq 15.
const QSet<QString>& keywords()
{
    static const QSet<QString> known = {"host",
                                        "hostaddr",
                                        "port",
                                        "dbname",
                                        "user",
                                        "password",
                                        "passfile",
                                        "channel_binding",
                                        "connect_timeout",
                                        "client_encoding",
                                        "options",
                                        "application_name",
                                        "fallback_application_name",
                                        "keepalives",
                                        "keepalives_idle",
                                        "keepalives_interval",
                                        "keepalives_count",
                                        "tcp_user_timeout",
                                        "replication",
                                        "gssencmode",
                                        "sslmode",
                                        "requiressl",
                                        "sslcompression",
                                        "sslcert",
                                        "sslkey",
                                        "sslpassword",
                                        "sslrootcert",
                                        "sslcrl",
                                        "sslcrldir",
                                        "sslsni",
                                        "requirepeer",
                                        "ssl_min_protocol_version",
                                        "ssl_max_protocol_version",
                                        "krbsrvname",
                                        "gsslib",
                                        "service",
                                        "target_session_attrs"};
    return known;
}

int hexDigit(QChar c)
{
    return int(QStringView(u"0123456789abcdef").indexOf(c.toLower()));
}

// %XX decoded to bytes, the whole read as UTF-8; nothing for a broken escape or a NUL.
std::optional<QString> decoded(QStringView text)
{
    QByteArray bytes;
    qsizetype plain = 0; // start of the run of characters without escapes
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%')
            continue;
        bytes += text.mid(plain, i - plain).toUtf8();
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexDigit(text[i + 1]), low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += char(high * 16 + low);
        i += 2;
        plain = i + 1;
    }
    bytes += text.mid(plain).toUtf8();
    if (bytes.contains('\0')) // libpq's strings end there
        return std::nullopt;
    return QString::fromUtf8(bytes);
}

bool fail(LocationError& error, Kind kind, const QString& part)
{
    error = {kind, part};
    return false;
}

bool store(PostgresLocation& location, const QString& keyword, QStringView raw,
           LocationError& error)
{
    const std::optional<QString> value = decoded(raw);
    if (!value)
        return fail(error, Kind::BadEscape, keyword);
    if (!value->isEmpty())
        location.set(keyword, *value);
    return true;
}

// One host of a host list: "name", "name:port", "[v6]" or "[v6]:port".
bool splitHost(QStringView hostPort, QStringView& host, QStringView& port)
{
    qsizetype colon = hostPort.lastIndexOf(u':');
    if (hostPort.startsWith(u'[')) {
        const qsizetype close = hostPort.indexOf(u']');
        if (close < 0 || (close + 1 < hostPort.size() && hostPort[close + 1] != u':'))
            return false;
        host = hostPort.mid(1, close - 1);
        colon = close + 1 < hostPort.size() ? close + 1 : -1;
    } else {
        host = colon < 0 ? hostPort : hostPort.left(colon);
    }
    port = colon < 0 ? QStringView() : hostPort.mid(colon + 1);
    return true;
}

bool readHosts(PostgresLocation& location, QStringView hostList, LocationError& error)
{
    if (hostList.isEmpty())
        return true;
    QStringList hosts, ports;
    for (QStringView hostPort : hostList.split(u',')) {
        QStringView host, port;
        if (!splitHost(hostPort, host, port))
            return fail(error, Kind::Malformed, QStringLiteral("host"));
        const std::optional<QString> name = decoded(host);
        if (!name)
            return fail(error, Kind::BadEscape, QStringLiteral("host"));
        hosts << *name;
        ports << port.toString();
    }
    if (!hosts.join(QString()).isEmpty())
        location.set(QStringLiteral("host"), hosts.join(u','));
    if (!ports.join(QString()).isEmpty())
        location.set(QStringLiteral("port"), ports.join(u','));
    return true;
}

bool readUser(PostgresLocation& location, QStringView userInfo, LocationError& error)
{
    const qsizetype colon = userInfo.indexOf(u':');
    if (!store(location, QStringLiteral("user"), userInfo.left(colon < 0 ? userInfo.size() : colon),
               error))
        return false;
    return colon < 0 || store(location, QStringLiteral("password"), userInfo.mid(colon + 1), error);
}

bool readQuery(PostgresLocation& location, QStringView query, LocationError& error)
{
    for (QStringView item : query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = item.indexOf(u'=');
        if (equals < 0)
            return fail(error, Kind::Malformed, QStringLiteral("a query item without '='"));
        const std::optional<QString> keyword = decoded(item.left(equals));
        if (!keyword)
            return fail(error, Kind::BadEscape, QStringLiteral("query"));
        const std::optional<QString> value = decoded(item.mid(equals + 1));
        if (!value)
            return fail(error, Kind::BadEscape, *keyword);
        if (*keyword == u"ssl" && *value == u"true") // as libpq reads JDBC's form
            location.set(QStringLiteral("sslmode"), QStringLiteral("require"));
        else if (!PostgresLocation::isKeyword(*keyword))
            return fail(error, Kind::UnknownParameter, *keyword);
        else
            location.set(*keyword, *value);
    }
    return true;
}

bool portsValid(const QString& ports)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,5}\\z"));
    for (const QString& port : ports.split(u',')) {
        if (!port.isEmpty() &&
            (!number.match(port).hasMatch() || port.toInt() < 1 || port.toInt() > 65535))
            return false;
    }
    return true;
}

// The Qt driver passes host, dbname and user quoted; every other value goes into its
// connect options, where it turns ';' into ' '.
bool passable(const PostgresLocation& location, LocationError& error)
{
    for (const auto& [keyword, value] : location.parameters) {
        const bool quotedByDriver =
            keyword == u"host" || keyword == u"dbname" || keyword == u"user";
        if (!quotedByDriver && value.contains(u';'))
            return fail(error, Kind::Unpassable, keyword);
    }
    return true;
}

// A host name or address that stands in the URL's authority as it is ("[...]" for IPv6).
bool plainHost(const QString& host)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9._~-]*\\z"));
    static const QRegularExpression v6(QStringLiteral("^[0-9A-Fa-f:.]*:[0-9A-Fa-f:.]*\\z"));
    return name.match(host).hasMatch() || v6.match(host).hasMatch();
}

QString hostSpec(const PostgresLocation& location)
{
    const QString host = location.value(QStringLiteral("host"));
    const QString port = location.value(QStringLiteral("port"));
    const QString hostPort = host.contains(u':') ? u'[' + host + u']' : host;
    return port.isEmpty() ? hostPort : hostPort + u':' + port;
}

// A single plain host and port fit the URL's authority; a socket folder or a list go in the query.
bool inAuthority(const PostgresLocation& location, const QString& keyword)
{
    const bool simple = plainHost(location.value(QStringLiteral("host"))) &&
                        !location.value(QStringLiteral("port")).contains(u',');
    return simple && (keyword == u"host" || keyword == u"port");
}
} // namespace

bool PostgresLocation::isKeyword(const QString& keyword)
{
    return keywords().contains(keyword);
}

std::optional<PostgresLocation> PostgresLocation::fromUrl(const QString& url, LocationError& error)
{
    error = {};
    static const QRegularExpression scheme(QStringLiteral("^postgres(ql)?://"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch head = scheme.match(url);
    if (!head.hasMatch()) {
        fail(error, Kind::Malformed, QStringLiteral("scheme"));
        return std::nullopt;
    }
    const QStringView rest = QStringView(url).mid(head.capturedLength());
    const qsizetype question = rest.indexOf(u'?');
    const QStringView front = question < 0 ? rest : rest.left(question);
    const qsizetype slash = front.indexOf(u'/');
    const QStringView authority = slash < 0 ? front : front.left(slash);
    const qsizetype at = authority.lastIndexOf(u'@');
    PostgresLocation location;
    const bool read =
        (at < 0 || readUser(location, authority.left(at), error)) &&
        readHosts(location, authority.mid(at + 1), error) &&
        (slash < 0 || store(location, QStringLiteral("dbname"), front.mid(slash + 1), error)) &&
        (question < 0 || readQuery(location, rest.mid(question + 1), error));
    if (!read)
        return std::nullopt;
    if (!portsValid(location.value(QStringLiteral("port")))) {
        fail(error, Kind::BadPort, QStringLiteral("port"));
        return std::nullopt;
    }
    if (!passable(location, error))
        return std::nullopt;
    return location;
}

bool PostgresLocation::has(const QString& keyword) const
{
    for (const auto& parameter : parameters) {
        if (parameter.first == keyword)
            return true;
    }
    return false;
}

QString PostgresLocation::value(const QString& keyword) const
{
    for (const auto& [name, value] : parameters) {
        if (name == keyword)
            return value;
    }
    return {};
}

void PostgresLocation::set(const QString& keyword, const QString& value)
{
    if (keyword == u"password") {
        password = value;
        return;
    }
    for (auto& parameter : parameters) {
        if (parameter.first == keyword) {
            parameter.second = value;
            return;
        }
    }
    parameters.append({keyword, value});
}

QString PostgresLocation::url() const
{
    const auto encoded = [](const QString& text) {
        return QString::fromLatin1(QUrl::toPercentEncoding(text));
    };
    QString text = QStringLiteral("postgresql://");
    if (has(QStringLiteral("user")))
        text += encoded(value(QStringLiteral("user"))) + u'@';
    if (inAuthority(*this, QStringLiteral("host")))
        text += hostSpec(*this);
    if (has(QStringLiteral("dbname")))
        text += u'/' + encoded(value(QStringLiteral("dbname")));
    QStringList query;
    for (const auto& [keyword, value] : parameters) {
        const bool inPath = keyword == u"user" || keyword == u"dbname" ||
                            inAuthority(*this, keyword) || keyword == u"sslpassword";
        if (!inPath)
            query << keyword + u'=' + encoded(value);
    }
    return query.isEmpty() ? text : text + u'?' + query.join(u'&');
}

QString PostgresLocation::account() const
{
    QString text = QStringLiteral("%1@%2:%3/%4")
                       .arg(value(QStringLiteral("user")), value(QStringLiteral("host")),
                            value(QStringLiteral("port")), value(QStringLiteral("dbname")));
    if (has(QStringLiteral("service")))
        text += QStringLiteral(" service=") + value(QStringLiteral("service"));
    return text;
}
