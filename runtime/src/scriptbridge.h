#pragma once
// The object each frame's script talks to native code through. Page script
// calls the bound native functions through invoke(); native code asks the page
// for globals and calls its functions through ask(), which the page's helper
// script serves and answers through request() and answer().

#include "valuestore.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>

class QWebFrame;
struct PageRequest;

class ScriptBridge final : public QObject {
    Q_OBJECT

public:
    // Gives the frame its bridge (once) and keeps it installed in every
    // document the frame loads.
    static void attach(QWebFrame *frame);
    static ScriptBridge *of(QWebFrame *frame);

    // Runs the request in the frame's page and returns its answer (undefined
    // when the frame or its page cannot answer).
    static ScriptValue ask(QWebFrame *frame, PageRequest request);

    // Makes native functions bound after the frame's document was made
    // available to it at once.
    void bindAll();

    Q_INVOKABLE QStringList names() const;
    Q_INVOKABLE QVariantList invoke(const QString &name, const QString &kinds,
                                    const QStringList &texts, const QVariantList &numbers);
    Q_INVOKABLE QVariantList request() const;
    Q_INVOKABLE void answer(const QString &kind, const QString &text, const QVariant &number);
    Q_INVOKABLE void scriptError(const QString &message, const QString &source, int line);

private:
    explicit ScriptBridge(QWebFrame *frame);
    void install();
    bool serve();

    QPointer<QWebFrame> m_frame;
};

// Page values as the helper script encodes them: one kind letter, String(v)
// and a number (the value, a boolean as 0 or 1, or an object's reference id).
ScriptValue valueFromPage(QChar kind, const QString &text, double number, QWebFrame *frame);
// The encoding of a native value for the page, as [kind, text, number].
QVariantList valueToPage(const ScriptValue &value, const QWebFrame *frame);
