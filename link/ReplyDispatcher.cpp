#include "link/ReplyDispatcher.h"

#include "state/SharedState.h"

#include <QList>
#include <optional>

namespace
{
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
struct IdentityField {
    QChar key;
    QString value;
};

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
} // namespace

DispatchResult ReplyDispatcher::dispatch(QStringView value, SharedState& state)
{
    if (value.isEmpty())
        return DispatchResult::Ignored;
    if (startsWith(value, "$naxo"))
        return dispatchIdentity(value, state);
    const Separators s(value);
    if (startsWith(value, "$wr") || startsWith(value, "$fc") || startsWith(value, "$rm")) {
        if (!s.hasField1())
            return DispatchResult::Ignored;
        if (!toNumber(field1(value, s))) {
            state.ReplyStatus = 99;
            return DispatchResult::Applied;
        }
    }
    if (startsWith(value, "$ls")) {
        if (state.ReplyData.isEmpty()) {
            state.ReplyData = value.toString();
            state.ReplyStatus = 0;
        } else {
            state.ReplyStatus = value.contains(state.ReplyData) ? 20 : 0;
        }
        return DispatchResult::Applied;
    }
    if (startsWith(value, "$fr") || startsWith(value, "$fw") || startsWith(value, "$fc") ||
        startsWith(value, "$wr") || startsWith(value, "$rm") || startsWith(value, "$fmod"))
        return dispatchFileReply(value, state);
    if (startsWith(value, "$rd"))
        return dispatchDataReply(value, state);
    if (startsWith(value, "$fsf"))
        return dispatchResetReply(value, state);
    return dispatchPayloadReply(value, state);
}

DispatchResult ReplyDispatcher::dispatchIdentity(QStringView value, SharedState& state)
{
    if (value.left(7) != state.IdentityCommand || state.IdentityCommand.isEmpty())
        return DispatchResult::Ignored;
    const qsizetype ex = value.indexOf(u'!');
    if (ex < 0)
        return DispatchResult::Ignored;
    const QString data = value.left(ex).toString();
    if (data.isEmpty() || !data.contains(u':')) {
        state.ReplyData = data;
        state.ReplyStatus = 0;
        return DispatchResult::Applied;
    }
    const auto fields = splitIdentity(data);
    if (!fields)
        return DispatchResult::Ignored;
    for (const IdentityField& f : *fields) {
        switch (f.key.unicode()) {
        case u'H':
            state.Identity.Hardware = f.value;
            break;
        case u'M':
            state.Identity.Mac = f.value;
            break;
        case u'V':
            state.Identity.Controler = f.value;
            break;
        case u'B':
            state.Identity.Build = f.value;
            break;
        case u'R':
            state.Identity.Revision = f.value;
            break;
        default:
            break;
        }
    }
    state.ReplyData.clear();
    return DispatchResult::Identity;
}

// "$fr", "$fwu", "$fw", "$fc", "$wr", "$rm", "$fmod", in this order.
DispatchResult ReplyDispatcher::dispatchFileReply(QStringView value, SharedState& state)
{
    const Separators s(value);
    if (startsWith(value, "$fr")) {
        const auto handle = s.hasField2() ? toInt16(field1(value, s)) : std::nullopt;
        const auto length = s.hasField2() ? toInt32(field2(value, s)) : std::nullopt;
        if (!handle || !length)
            return DispatchResult::Ignored;
        state.FileHandle = *handle;
        state.FileLength = *length;
        return DispatchResult::Applied;
    }
    if (startsWith(value, "$fwu")) {
        const QChar digit = value.size() > 5 && value.at(4) == u'?' ? value.at(5) : QChar();
        if (!digit.isDigit())
            return DispatchResult::Ignored;
        state.ReplyStatus = qint16(digit.digitValue());
        return DispatchResult::Applied;
    }
    if (startsWith(value, "$fw") || startsWith(value, "$fc")) {
        const auto first = s.hasField2() ? toInt16(field1(value, s)) : std::nullopt;
        const auto second = s.hasField2() ? toInt16(field2(value, s)) : std::nullopt;
        if (!first || !second)
            return DispatchResult::Ignored;
        if (startsWith(value, "$fw"))
            state.FileHandle = *first;
        state.ReplyStatus = *second;
        return DispatchResult::Applied;
    }
    state.ReplyStatus = 0; // "$wr", "$rm" (numeric field 1 checked above) and "$fmod"
    return DispatchResult::Applied;
}

// "$rd?<handle> <1-4 digits> <2-digit count><hex>!"
DispatchResult ReplyDispatcher::dispatchDataReply(QStringView value, SharedState& state)
{
    const Separators s(value);
    if (!s.hasField1())
        return DispatchResult::Ignored;
    const auto handle = toInt16(field1(value, s));
    const qsizetype p = value.mid(s.sp + 1, 5).indexOf(u' ') + 1; // 1-based in the piece
    if (!handle || p < 2)
        return DispatchResult::Ignored;
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
        return DispatchResult::Ignored;
    state.FileHandle = *handle;
    state.FileLength = *count;
    state.ReplyData = body.right(2 * *count).toString();
    state.ReplyStatus = state.FileHandle;
    return DispatchResult::Applied;
}

// The memory reset: "$fsf!" or "$fsf?<status>!"; the status is the outcome (0 = done).
DispatchResult ReplyDispatcher::dispatchResetReply(QStringView value, SharedState& state)
{
    if (value == QLatin1String("$fsf!")) {
        state.ReplyStatus = 0;
        return DispatchResult::Applied;
    }
    const qsizetype ex = value.indexOf(u'!');
    const auto status = value.size() > 5 && value.at(4) == u'?' && ex > 5
                            ? toInt16(value.mid(5, ex - 5))
                            : std::nullopt;
    if (!status)
        return DispatchResult::Ignored;
    state.ReplyStatus = *status;
    return DispatchResult::Applied;
}

// "$gcv?", "$glt?", "$dltrig!", "$dlstate?", "$dlget?".
DispatchResult ReplyDispatcher::dispatchPayloadReply(QStringView value, SharedState& state)
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
                return DispatchResult::Ignored;
            state.ReplyData = value.mid(start, value.size() - start - 1).toString();
            if (startsWith(value, "$gcv?")) {
                bool ok = false;
                const double level = state.ReplyData.trimmed().toDouble(&ok);
                if (ok)
                    state.BatteryLevel = level;
            }
        }
        state.ReplyStatus = 0;
        return DispatchResult::Applied;
    }
    return DispatchResult::Ignored;
}
