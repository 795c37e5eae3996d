#pragma once
// Script values seen by native code. Small values (undefined, null, booleans,
// 32-bit integers) live in the handle itself; everything else is kept here
// under a serial number that is never reused, so a stale handle reads as
// undefined instead of as some other value.
//
// Stored values belong to the innermost open scope (one per running bound
// function call) or, with no scope open, to the top level. Closing a scope frees
// its values; the owner frees the top level once control is back in the event
// loop. Nothing accumulates beyond what running calls still hold.

#include <wke.h>

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QVector>

class QObject;

// One value as the page gave it or native code made it.
struct ScriptValue {
    jsType type = JSTYPE_UNDEFINED;
    double number = 0;
    bool boolean = false;
    // String(value) as the page computed it (the string itself for strings).
    QString text;
    // Functions that can be called back: the frame they live in and either the
    // global name they were looked up by or the page's reference id of an
    // argument of a running call.
    QPointer<QObject> frame;
    QString globalName;
    int refId = 0;
};

class ValueStore final {
public:
    static jsValue undefinedValue() { return 0; }
    static jsValue nullValue();
    static jsValue intValue(int n);
    static jsValue boolValue(bool b);

    jsValue make(ScriptValue value);
    // The value behind a handle; undefined for stale or unknown handles.
    ScriptValue value(jsValue handle) const;

    jsType type(jsValue handle) const;
    QString toString(jsValue handle) const;
    int toInt(jsValue handle) const;
    bool toBoolean(jsValue handle) const;

    void openScope();
    void closeScope();
    int scopeDepth() const { return m_scopes.size(); }

    bool hasTopLevelValues() const { return !m_topLevel.isEmpty(); }
    void releaseTopLevel();
    int storedCount() const { return m_values.size(); }

    // Text conversions whose result stays valid until the next conversion.
    const char *tempUtf8(const QString &text);

private:
    void release(const QVector<quint64> &serials);

    QHash<quint64, ScriptValue> m_values;
    QVector<QVector<quint64>> m_scopes;
    QVector<quint64> m_topLevel;
    quint64 m_nextSerial = 1;
    QByteArray m_temp;
};

// JavaScript's ToInt32 of a number.
int numberToInt32(double d);
// JavaScript's ToNumber of a string.
double stringToNumber(const QString &text);
