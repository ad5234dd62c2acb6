#include "link/GaugeReply.h"

#include <QStringList>

namespace
{
constexpr qint16 kStatusNotNumeric = 99;
constexpr int kIdentityKeywordLength = 7; // "$naxo00"

// 0-based positions of the three separators; -1 when absent.
struct Separators {
    qsizetype q = -1;  // first "?"
    qsizetype sp = -1; // first blank
    qsizetype ex = -1; // first "!"
    explicit Separators(QStringView v)
        : q(v.indexOf(u'?')), sp(v.indexOf(u' ')), ex(v.indexOf(u'!'))
    {
    }
    bool hasField1() const { return q >= 0 && sp > q; }
    bool hasField2() const { return hasField1() && ex > sp; }
};

QStringView field1(QStringView v, const Separators& s)
{
    return v.mid(s.q + 1, s.sp - s.q - 1);
}

QStringView field2(QStringView v, const Separators& s)
{
    return v.mid(s.sp + 1, s.ex - s.sp - 1);
}

// Decimal text with an optional sign and surrounding blanks.
std::optional<qlonglong> toNumber(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty() || t.size() > 12)
        return std::nullopt;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    return ok ? std::optional<qlonglong>(v) : std::nullopt;
}

std::optional<qint16> toInt16(QStringView text)
{
    const auto v = toNumber(text);
    if (!v || *v < -32768 || *v > 32767)
        return std::nullopt;
    return qint16(*v);
}

std::optional<qint32> toInt32(QStringView text)
{
    const auto v = toNumber(text);
    if (!v || *v < INT32_MIN || *v > INT32_MAX)
        return std::nullopt;
    return qint32(*v);
}

bool startsWith(QStringView v, const char* keyword)
{
    return v.startsWith(QLatin1String(keyword));
}

// Key and value of every identity field, or nothing when a field is malformed.
std::optional<QList<IdentityField>> splitIdentity(QString data)
{
    QList<IdentityField> fields;
    while (!data.isEmpty()) {
        // 1-based positions as the gauge's layout is described: c1 colon, c2 next colon.
        const qsizetype c1 = data.indexOf(u':') + 1;
        if (c1 < 2)
            return std::nullopt; // no colon, or no key letter before it
        qsizetype c2 = c1 + 2 <= data.size() ? data.indexOf(u':', c1 + 1) + 1 : 0;
        if (c2 == 0)
            c2 = data.size() + 2;
        if (c2 - c1 < 3)
            return std::nullopt; // the next tag follows too close to the colon
        const QChar key = data.at(c1 - 2);
        const qsizetype length = key == u'M' ? c2 - c1 - 2 : c2 - c1 - 3;
        fields.append({key, data.mid(c1, length)});
        data = c2 - 2 < data.size() ? data.mid(c2 - 2) : QString();
    }
    return fields;
}

void parseIdentity(QStringView value, QStringView identityCommand, GaugeReply& r)
{
    if (identityCommand.isEmpty() || value.left(kIdentityKeywordLength) != identityCommand)
        return;
    const qsizetype ex = value.indexOf(u'!');
    if (ex < 0)
        return;
    const QString data = value.left(ex).toString();
    if (data.isEmpty() || !data.contains(u':')) {
        r.understood = true;
        r.data = data;
        r.status = 0;
        return;
    }
    const auto fields = splitIdentity(data);
    if (!fields)
        return;
    r.understood = true;
    r.identity = *fields;
    r.data = QString();
}

// "$fr", "$fwu", "$fw", "$fc", "$wr", "$rm", "$fmod", in this order.
void parseFileReply(QStringView value, GaugeReply& r)
{
    const Separators s(value);
    if (startsWith(value, "$fr")) {
        r.handle = s.hasField2() ? toInt16(field1(value, s)) : std::nullopt;
        r.length = s.hasField2() ? toInt32(field2(value, s)) : std::nullopt;
        r.understood = r.handle && r.length;
        if (!r.understood)
            r.handle.reset(), r.length.reset();
        return;
    }
    if (startsWith(value, "$fwu")) {
        const QChar digit = value.size() > 5 && value.at(4) == u'?' ? value.at(5) : QChar();
        if (digit.isDigit())
            r.understood = true, r.status = qint16(digit.digitValue());
        return;
    }
    if (startsWith(value, "$fw") || startsWith(value, "$fc")) {
        const auto first = s.hasField2() ? toInt16(field1(value, s)) : std::nullopt;
        const auto second = s.hasField2() ? toInt16(field2(value, s)) : std::nullopt;
        if (!first || !second)
            return;
        r.understood = true;
        if (startsWith(value, "$fw"))
            r.handle = *first;
        r.status = *second;
        return;
    }
    r.understood = true; // "$wr", "$rm" (numeric field 1 checked before) and "$fmod"
    r.status = 0;
}

// "$rd?<handle> <1-4 digits> <2-digit count><hex>!"
void parseDataReply(QStringView value, GaugeReply& r)
{
    const Separators s(value);
    if (!s.hasField1())
        return;
    const auto handle = toInt16(field1(value, s));
    const qsizetype p = value.mid(s.sp + 1, 5).indexOf(u' ') + 1; // 1-based in the piece
    if (!handle || p < 2)
        return;
    const QStringView countText = value.mid(s.sp + p + 1, 2);
    const auto count =
        countText.size() == 2 && countText.at(0).isDigit() && countText.at(1).isDigit()
            ? toInt32(countText)
            : std::nullopt;
    // The data follow the count; a count larger than they are would take the reply's own
    // header for data.
    const QStringView body = value.left(value.size() - 1);
    const qsizetype dataStart = s.sp + p + 3;
    if (!count || body.size() - dataStart < 2 * *count)
        return;
    r.understood = true;
    r.handle = *handle;
    r.length = *count;
    r.data = body.right(2 * *count).toString();
    r.status = *handle;
}

// The memory reset: "$fsf!" or "$fsf?<status>!"; the status is the outcome (0 = done).
void parseResetReply(QStringView value, GaugeReply& r)
{
    if (value == QLatin1String("$fsf!")) {
        r.understood = true, r.status = 0;
        return;
    }
    const qsizetype ex = value.indexOf(u'!');
    const auto status = value.size() > 5 && value.at(4) == u'?' && ex > 5
                            ? toInt16(value.mid(5, ex - 5))
                            : std::nullopt;
    if (status)
        r.understood = true, r.status = *status;
}

// "$gcv?", "$glt?", "$dltrig!", "$dlstate?", "$dlget?".
void parsePayloadReply(QStringView value, GaugeReply& r)
{
    struct Payload {
        const char* keyword;
        bool hasPayload;
    };
    static const Payload kPayloads[] = {
        {"$gcv?", true},     {"$glt?", true},   {"$dltrig!", false},
        {"$dlstate?", true}, {"$dlget?", true},
    };
    for (const Payload& p : kPayloads) {
        if (!startsWith(value, p.keyword))
            continue;
        if (p.hasPayload) {
            const qsizetype start = qsizetype(qstrlen(p.keyword));
            if (value.indexOf(u'!') < 0 || value.size() < start + 1)
                return;
            r.data = value.mid(start, value.size() - start - 1).toString();
            bool ok = false;
            const double level = r.data->trimmed().toDouble(&ok);
            if (ok && startsWith(value, "$gcv?"))
                r.battery = level;
        }
        r.understood = true;
        r.status = 0;
        return;
    }
}
} // namespace

void GaugeReply::mergeIdentityInto(IdentityFields& fields) const
{
    for (const IdentityField& f : identity) {
        switch (f.key.unicode()) {
        case u'H':
            fields.Hardware = f.value;
            break;
        case u'M':
            fields.Mac = f.value;
            break;
        case u'V':
            fields.Controler = f.value;
            break;
        case u'B':
            fields.Build = f.value;
            break;
        case u'R':
            fields.Revision = f.value;
            break;
        default:
            break;
        }
    }
}

QString commandKeyword(QStringView command)
{
    qsizetype end = 0;
    while (end < command.size() && command.at(end) != u'?' && command.at(end) != u' ' &&
           command.at(end) != u'!')
        ++end;
    return command.left(end).toString();
}

GaugeReply parseReply(QStringView value, QStringView identityCommand)
{
    GaugeReply r;
    r.text = value.toString();
    r.keyword = commandKeyword(value);
    if (value.isEmpty())
        return r;
    if (startsWith(value, "$naxo")) {
        parseIdentity(value, identityCommand, r);
        return r;
    }
    const Separators s(value);
    if (startsWith(value, "$wr") || startsWith(value, "$fc") || startsWith(value, "$rm")) {
        if (!s.hasField1())
            return r;
        if (!toNumber(field1(value, s))) {
            r.understood = true, r.status = kStatusNotNumeric;
            return r;
        }
    }
    if (startsWith(value, "$ls"))
        r.understood = r.listing = true;
    else if (startsWith(value, "$fr") || startsWith(value, "$fw") || startsWith(value, "$fc") ||
             startsWith(value, "$wr") || startsWith(value, "$rm") || startsWith(value, "$fmod"))
        parseFileReply(value, r);
    else if (startsWith(value, "$rd"))
        parseDataReply(value, r);
    else if (startsWith(value, "$fsf"))
        parseResetReply(value, r);
    else
        parsePayloadReply(value, r);
    return r;
}
