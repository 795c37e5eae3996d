#include "scriptbridge.h"

#include "runtime.h"
#include "webpage.h"

#include <QFile>
#include <QWebFrame>

namespace {

const QString &helperScript()
{
    static const QString script = [] {
        QFile file(QStringLiteral(":/tessaly-runtime/bridge.js"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }();
    return script;
}

} // namespace

ScriptValue valueFromPage(QChar kind, const QString &text, double number, QWebFrame *frame)
{
    ScriptValue v;
    v.text = text;
    switch (kind.unicode()) {
    case 's':
        v.type = JSTYPE_STRING;
        break;
    case 'n':
        v.type = JSTYPE_NUMBER;
        v.number = number;
        break;
    case 'b':
        v.type = JSTYPE_BOOLEAN;
        v.boolean = number != 0;
        v.number = v.boolean ? 1 : 0;
        break;
    case 'l':
        v.type = JSTYPE_NULL;
        break;
    case 'o':
    case 'a':
    case 'f':
        v.type = kind == QLatin1Char('o')   ? JSTYPE_OBJECT
                 : kind == QLatin1Char('a') ? JSTYPE_ARRAY
                                            : JSTYPE_FUNCTION;
        v.refId = int(number);
        v.frame = frame;
        break;
    default:
        v.type = JSTYPE_UNDEFINED;
        v.text = QStringLiteral("undefined");
        break;
    }
    return v;
}

QVariantList valueToPage(const ScriptValue &value, const QWebFrame *frame)
{
    switch (value.type) {
    case JSTYPE_STRING:
        return {QStringLiteral("s"), value.text, 0};
    case JSTYPE_NUMBER:
        return {QStringLiteral("n"), QString(), value.number};
    case JSTYPE_BOOLEAN:
        return {QStringLiteral("b"), QString(), value.boolean ? 1 : 0};
    case JSTYPE_NULL:
        return {QStringLiteral("l"), QString(), 0};
    case JSTYPE_OBJECT:
    case JSTYPE_ARRAY:
    case JSTYPE_FUNCTION:
        // An object reaches the page again only while the call it came
        // with runs, and only in its own frame.
        if (value.refId > 0 && value.frame == frame)
            return {QStringLiteral("r"), QString(), value.refId};
        break;
    default:
        break;
    }
    return {QStringLiteral("u"), QString(), 0};
}

ScriptBridge::ScriptBridge(QWebFrame *frame) : QObject(frame), m_frame(frame)
{
    connect(frame, &QWebFrame::javaScriptWindowObjectCleared, this, &ScriptBridge::install);
}

void ScriptBridge::attach(QWebFrame *frame)
{
    if (frame && !of(frame))
        new ScriptBridge(frame);
}

ScriptBridge *ScriptBridge::of(QWebFrame *frame)
{
    return frame ? frame->findChild<ScriptBridge *>(QString(), Qt::FindDirectChildrenOnly)
                 : nullptr;
}

void ScriptBridge::install()
{
    if (!m_frame)
        return;
    m_frame->addToJavaScriptWindowObject(QStringLiteral("__tessalyBridge"), this);
    m_frame->evaluateJavaScript(helperScript());
}

void ScriptBridge::bindAll()
{
    if (m_frame)
        m_frame->evaluateJavaScript(
            QStringLiteral("window.__tessalyWke && window.__tessalyWke.bindAll()"));
}

QStringList ScriptBridge::names() const
{
    return Runtime::instance().bindingNames();
}

QVariantList ScriptBridge::invoke(const QString &name, const QString &kinds,
                                  const QStringList &texts, const QVariantList &numbers)
{
    Runtime &rt = Runtime::instance();
    Binding binding;
    if (!rt.binding(name, &binding) || !binding.function)
        return valueToPage({}, nullptr);

    const QPointer<QWebFrame> frame = m_frame;
    CallGuard call;
    ValueStore &values = rt.values();
    values.openScope();
    ExecState state;
    state.frame = frame;
    for (int i = 0; i < kinds.size(); ++i) {
        state.args.append(values.make(
            valueFromPage(kinds.at(i), texts.value(i), numbers.value(i).toDouble(), frame)));
    }
    rt.addState(&state);
    const jsValue result = binding.function(reinterpret_cast<jsExecState>(&state), binding.param);
    rt.removeState(&state);
    // Read the result before the call's values go.
    const QVariantList answer = valueToPage(values.value(result), frame);
    values.closeScope();
    return answer;
}

QVariantList ScriptBridge::request() const
{
    const QVector<PageRequest> &requests = Runtime::instance().requests();
    if (requests.isEmpty())
        return {};
    const PageRequest &r = requests.last();
    return {r.op, r.name, r.refId, r.kinds, r.texts, r.numbers};
}

void ScriptBridge::answer(const QString &kind, const QString &text, const QVariant &number)
{
    QVector<PageRequest> &requests = Runtime::instance().requests();
    if (requests.isEmpty())
        return;
    requests.last().answer =
        valueFromPage(kind.isEmpty() ? QChar() : kind.at(0), text, number.toDouble(), m_frame);
}

void ScriptBridge::scriptError(const QString &message, const QString &source, int line)
{
    logPageMessage(message, line, source);
}

bool ScriptBridge::serve()
{
    return m_frame && m_frame
                          ->evaluateJavaScript(QStringLiteral(
                              "!!window.__tessalyWke && (window.__tessalyWke.serve(), true)"))
                          .toBool();
}

ScriptValue ScriptBridge::ask(QWebFrame *frame, PageRequest request)
{
    ScriptBridge *bridge = of(frame);
    if (!bridge)
        return {};
    Runtime &rt = Runtime::instance();
    const QPointer<ScriptBridge> guard = bridge;
    CallGuard call;
    rt.requests().append(std::move(request));
    // A frame whose document has not run script yet gets the helper on first
    // use; its window object is made by the first evaluation.
    if (!bridge->serve() && guard) {
        bridge->install();
        if (guard)
            bridge->serve();
    }
    ScriptValue answer = rt.requests().takeLast().answer;
    // Objects in an answer are not kept by the page, so they cannot be handed back.
    answer.refId = 0;
    return answer;
}
