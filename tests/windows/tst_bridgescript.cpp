// The script reader of the scripted web runtime: a misread script would make
// the program tests under Wine check something other than what they say.

#include "scriptedwke/bridgescript.h"

#include <doctest.h>

using BridgeScript::Step;
using BridgeScript::Value;

TEST_CASE("a script reads every kind of step with its values")
{
    const auto script =
        BridgeScript::parse("# a page's first moves\r\n"
                            "\n"
                            "call eMsg \"loadedjs\"\n"
                            "call Down \"http://127.0.0.1:1/a b.exe\" \"\" \"\" \"x\"\n"
                            "call mousedown \"titleBar\" -5 7 true undefined\n"
                            "answer progressCbkByCpp false\n"
                            "wait finishCbkByCpp 2500\n"
                            "  fetch \"http://tessaly.test/index.html\"\n"
                            "window\n"
                            "waitfile \"Z:/tmp/go\"\n");
    REQUIRE(script.error.empty());
    REQUIRE(script.steps.size() == 8);

    CHECK(script.steps[0].kind == Step::Kind::Call);
    CHECK(script.steps[0].line == 3);
    CHECK(script.steps[0].name == "eMsg");
    REQUIRE(script.steps[0].args.size() == 1);
    CHECK(script.steps[0].args[0].text == "loadedjs");

    CHECK(script.steps[1].args.size() == 4);
    CHECK(script.steps[1].args[0].text == "http://127.0.0.1:1/a b.exe");
    CHECK(script.steps[1].args[1].kind == Value::Kind::String);
    CHECK(script.steps[1].args[1].text.empty());

    const auto &mouse = script.steps[2].args;
    REQUIRE(mouse.size() == 5);
    CHECK(mouse[1].kind == Value::Kind::Number);
    CHECK(mouse[1].number == -5);
    CHECK(mouse[3].kind == Value::Kind::Boolean);
    CHECK(mouse[3].boolean);
    CHECK(mouse[4].kind == Value::Kind::Undefined);

    CHECK(script.steps[3].kind == Step::Kind::Answer);
    CHECK(script.steps[3].args[0].kind == Value::Kind::Boolean);
    CHECK_FALSE(script.steps[3].args[0].boolean);
    CHECK(script.steps[4].kind == Step::Kind::Wait);
    CHECK(script.steps[4].timeoutMs == 2500);
    CHECK(script.steps[5].kind == Step::Kind::Fetch);
    CHECK(script.steps[5].name == "http://tessaly.test/index.html");
    CHECK(script.steps[6].kind == Step::Kind::Window);
    CHECK(script.steps[7].kind == Step::Kind::WaitFile);
    CHECK(script.steps[7].timeoutMs == 60000);
}

TEST_CASE("string escapes give UTF-8 text, and the log writes it back as JSON")
{
    const auto script = BridgeScript::parse(
        "call downDir \"C:\\\\Users\\\\\\u9a71\\u52a8 \\\"q\\\" \\ud83d\\ude00\"\n");
    REQUIRE(script.error.empty());
    const std::string text = script.steps[0].args[0].text;
    CHECK(text == "C:\\Users\\\xe9\xa9\xb1\xe5\x8a\xa8 \"q\" \xf0\x9f\x98\x80");
    CHECK(BridgeScript::logForm(script.steps[0].args[0]) ==
          "\"C:\\\\Users\\\\\xe9\xa9\xb1\xe5\x8a\xa8 \\\"q\\\" \xf0\x9f\x98\x80\"");
    CHECK(BridgeScript::jsonString("a\nb\x01") == "\"a\\nb\\u0001\"");
    CHECK(BridgeScript::logForm(Value()) == "undefined");
}

TEST_CASE("a bad line stops the script there and names the line")
{
    struct Case {
        const char *text;
        const char *error;
    };
    const Case cases[] = {
        {"call\n", "line 1: call needs a function name"},
        {"call a \"open\n", "line 1: unterminated string"},
        {"call a 12x\n", "line 1: not a value: 12x"},
        {"call a\nwait b 0\n", "line 2: the time-out must be a positive number of milliseconds"},
        {"fetch index.html\n", "line 1: not a value: index.html"},
        {"window now\n", "line 1: too many words"},
        {"# fine\nclick \"closeBtn\"\ncall a\n", "line 2: unknown step: click"},
    };
    for (const Case &c : cases) {
        CAPTURE(c.text);
        const auto script = BridgeScript::parse(c.text);
        CHECK(script.error == c.error);
    }
    CHECK(BridgeScript::parse("call a\nwait b 0\n").steps.size() == 1);
}
