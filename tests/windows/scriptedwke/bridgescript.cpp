#include "bridgescript.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace BridgeScript {

Value Value::fromNumber(int n)
{
    Value v;
    v.kind = Kind::Number;
    v.number = n;
    return v;
}

Value Value::fromBoolean(bool b)
{
    Value v;
    v.kind = Kind::Boolean;
    v.boolean = b;
    return v;
}

Value Value::fromString(std::string s)
{
    Value v;
    v.kind = Kind::String;
    v.text = std::move(s);
    return v;
}

namespace {

void appendUtf8(std::string &out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Reads the words of one line; a word is a bare token or a quoted string.
class LineReader {
public:
    explicit LineReader(const std::string &line) : m_line(line) {}

    bool atEnd()
    {
        skipBlanks();
        return m_pos >= m_line.size();
    }

    bool word(std::string &out)
    {
        skipBlanks();
        const std::size_t start = m_pos;
        while (m_pos < m_line.size() && !std::isspace(static_cast<unsigned char>(m_line[m_pos])))
            ++m_pos;
        out = m_line.substr(start, m_pos - start);
        return !out.empty();
    }

    bool value(Value &out, std::string &error)
    {
        skipBlanks();
        if (m_pos < m_line.size() && m_line[m_pos] == '"') {
            std::string text;
            if (!quoted(text, error))
                return false;
            out = Value::fromString(std::move(text));
            return true;
        }
        std::string token;
        if (!word(token)) {
            error = "a value is missing";
            return false;
        }
        if (token == "true" || token == "false") {
            out = Value::fromBoolean(token == "true");
            return true;
        }
        if (token == "undefined") {
            out = Value();
            return true;
        }
        char *end = nullptr;
        const long n = std::strtol(token.c_str(), &end, 10);
        if (end && *end == '\0') {
            out = Value::fromNumber(static_cast<int>(n));
            return true;
        }
        error = "not a value: " + token;
        return false;
    }

    bool string(std::string &out, std::string &error)
    {
        Value v;
        if (!value(v, error))
            return false;
        if (v.kind != Value::Kind::String) {
            error = "a quoted string is expected";
            return false;
        }
        out = v.text;
        return true;
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_line.size() && std::isspace(static_cast<unsigned char>(m_line[m_pos])))
            ++m_pos;
    }

    bool hex4(unsigned &code)
    {
        if (m_pos + 4 > m_line.size())
            return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_line[m_pos++];
            code <<= 4;
            if (c >= '0' && c <= '9')
                code |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                code |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                code |= static_cast<unsigned>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    bool quoted(std::string &out, std::string &error)
    {
        ++m_pos; // opening quote
        while (m_pos < m_line.size()) {
            const char c = m_line[m_pos++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_line.size())
                break;
            const char e = m_line[m_pos++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'u': {
                unsigned code = 0;
                if (!hex4(code)) {
                    error = "bad \\u escape";
                    return false;
                }
                if (code >= 0xD800 && code < 0xDC00 && m_line.compare(m_pos, 2, "\\u") == 0) {
                    m_pos += 2;
                    unsigned low = 0;
                    if (!hex4(low)) {
                        error = "bad \\u escape";
                        return false;
                    }
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                appendUtf8(out, code);
                break;
            }
            default: // \" \\ \/ and anything else stand for themselves
                out += e;
            }
        }
        error = "unterminated string";
        return false;
    }

    const std::string &m_line;
    std::size_t m_pos = 0;
};

bool readTimeout(LineReader &reader, Step &step, std::string &error)
{
    if (reader.atEnd())
        return true;
    Value v;
    if (!reader.value(v, error) || v.kind != Value::Kind::Number || v.number <= 0) {
        error = "the time-out must be a positive number of milliseconds";
        return false;
    }
    step.timeoutMs = v.number;
    return true;
}

bool parseLine(const std::string &line, Step &step, std::string &error)
{
    LineReader reader(line);
    std::string verb;
    reader.word(verb);
    if (verb == "call") {
        step.kind = Step::Kind::Call;
        if (!reader.word(step.name)) {
            error = "call needs a function name";
            return false;
        }
        while (!reader.atEnd()) {
            Value v;
            if (!reader.value(v, error))
                return false;
            step.args.push_back(std::move(v));
        }
        return true;
    }
    if (verb == "answer") {
        step.kind = Step::Kind::Answer;
        Value v;
        if (!reader.word(step.name) || !reader.value(v, error)) {
            error = "answer needs a page function and a value";
            return false;
        }
        step.args.push_back(std::move(v));
    } else if (verb == "wait") {
        step.kind = Step::Kind::Wait;
        if (!reader.word(step.name)) {
            error = "wait needs a page function";
            return false;
        }
        if (!readTimeout(reader, step, error))
            return false;
    } else if (verb == "fetch") {
        step.kind = Step::Kind::Fetch;
        if (!reader.string(step.name, error))
            return false;
    } else if (verb == "window") {
        step.kind = Step::Kind::Window;
    } else if (verb == "waitfile") {
        step.kind = Step::Kind::WaitFile;
        if (!reader.string(step.name, error) || !readTimeout(reader, step, error))
            return false;
    } else {
        error = "unknown step: " + verb;
        return false;
    }
    if (!reader.atEnd()) {
        error = "too many words";
        return false;
    }
    return true;
}

} // namespace

Script parse(const std::string &text)
{
    Script script;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        LineReader probe(line);
        std::string first;
        if (probe.atEnd() || (probe.word(first) && first[0] == '#'))
            continue;
        Step step;
        step.line = number;
        std::string error;
        if (!parseLine(line, step, error)) {
            script.error = "line " + std::to_string(number) + ": " + error;
            break;
        }
        script.steps.push_back(std::move(step));
    }
    return script;
}

std::string jsonString(const std::string &text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string logForm(const Value &value)
{
    switch (value.kind) {
    case Value::Kind::Number:
        return std::to_string(value.number);
    case Value::Kind::Boolean:
        return value.boolean ? "true" : "false";
    case Value::Kind::String:
        return jsonString(value.text);
    case Value::Kind::Undefined:
        break;
    }
    return "undefined";
}

} // namespace BridgeScript
