#include "valuestore.h"

#include <QtGlobal>

#include <cmath>

namespace {

constexpr int kTagShift = 56;
constexpr quint64 kPayloadMask = (quint64(1) << kTagShift) - 1;

enum Tag : quint64 { TagUndefined = 0, TagInt = 1, TagBool = 2, TagNull = 3, TagStored = 4 };

quint64 tagOf(jsValue handle)
{
    return quint64(handle) >> kTagShift;
}

quint64 payloadOf(jsValue handle)
{
    return quint64(handle) & kPayloadMask;
}

jsValue makeHandle(quint64 tag, quint64 payload)
{
    return jsValue((tag << kTagShift) | (payload & kPayloadMask));
}

} // namespace

int numberToInt32(double d)
{
    if (!std::isfinite(d))
        return 0;
    constexpr double two32 = 4294967296.0;
    double m = std::fmod(std::trunc(d), two32);
    if (m < 0)
        m += two32;
    if (m >= two32 / 2)
        m -= two32;
    return int(m);
}

double stringToNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        bool ok = false;
        const qulonglong n = t.mid(2).toULongLong(&ok, 16);
        return ok ? double(n) : std::nan("");
    }
    if (t == QLatin1String("Infinity") || t == QLatin1String("+Infinity"))
        return HUGE_VAL;
    if (t == QLatin1String("-Infinity"))
        return -HUGE_VAL;
    // Qt also reads "inf" and "nan", which script does not.
    for (const QChar c : t) {
        if (c.isLetter() && c != QLatin1Char('e') && c != QLatin1Char('E'))
            return std::nan("");
    }
    bool ok = false;
    const double d = t.toDouble(&ok);
    return ok ? d : std::nan("");
}

jsValue ValueStore::nullValue()
{
    return makeHandle(TagNull, 0);
}

jsValue ValueStore::intValue(int n)
{
    return makeHandle(TagInt, quint32(n));
}

jsValue ValueStore::boolValue(bool b)
{
    return makeHandle(TagBool, b ? 1 : 0);
}

jsValue ValueStore::make(ScriptValue value)
{
    switch (value.type) {
    case JSTYPE_UNDEFINED:
        return undefinedValue();
    case JSTYPE_NULL:
        return nullValue();
    case JSTYPE_BOOLEAN:
        return boolValue(value.boolean);
    default:
        break;
    }
    const quint64 serial = m_nextSerial++;
    m_values.insert(serial, std::move(value));
    (m_scopes.isEmpty() ? m_topLevel : m_scopes.last()).append(serial);
    return makeHandle(TagStored, serial);
}

ScriptValue ValueStore::value(jsValue handle) const
{
    ScriptValue v;
    switch (tagOf(handle)) {
    case TagInt:
        v.type = JSTYPE_NUMBER;
        v.number = qint32(quint32(payloadOf(handle)));
        v.text = QString::number(qint32(quint32(payloadOf(handle))));
        break;
    case TagBool:
        v.type = JSTYPE_BOOLEAN;
        v.boolean = payloadOf(handle) != 0;
        v.number = v.boolean ? 1 : 0;
        v.text = v.boolean ? QStringLiteral("true") : QStringLiteral("false");
        break;
    case TagNull:
        v.type = JSTYPE_NULL;
        v.text = QStringLiteral("null");
        break;
    case TagStored: {
        const auto it = m_values.constFind(payloadOf(handle));
        if (it != m_values.constEnd())
            return it.value();
        v.text = QStringLiteral("undefined");
        break;
    }
    default:
        v.text = QStringLiteral("undefined");
        break;
    }
    return v;
}

jsType ValueStore::type(jsValue handle) const
{
    return value(handle).type;
}

QString ValueStore::toString(jsValue handle) const
{
    return value(handle).text;
}

int ValueStore::toInt(jsValue handle) const
{
    const ScriptValue v = value(handle);
    switch (v.type) {
    case JSTYPE_NUMBER:
    case JSTYPE_BOOLEAN:
        return numberToInt32(v.number);
    case JSTYPE_STRING:
        return numberToInt32(stringToNumber(v.text));
    default:
        return 0;
    }
}

bool ValueStore::toBoolean(jsValue handle) const
{
    const ScriptValue v = value(handle);
    switch (v.type) {
    case JSTYPE_NUMBER:
        return v.number != 0 && !std::isnan(v.number);
    case JSTYPE_STRING:
        return !v.text.isEmpty();
    case JSTYPE_BOOLEAN:
        return v.boolean;
    case JSTYPE_UNDEFINED:
    case JSTYPE_NULL:
        return false;
    default:
        return true;
    }
}

void ValueStore::openScope()
{
    m_scopes.append(QVector<quint64>());
}

void ValueStore::closeScope()
{
    if (m_scopes.isEmpty())
        return;
    release(m_scopes.takeLast());
}

void ValueStore::releaseTopLevel()
{
    release(m_topLevel);
    m_topLevel.clear();
}

void ValueStore::release(const QVector<quint64> &serials)
{
    for (const quint64 serial : serials)
        m_values.remove(serial);
}

const char *ValueStore::tempUtf8(const QString &text)
{
    m_temp = text.toUtf8();
    return m_temp.constData();
}
