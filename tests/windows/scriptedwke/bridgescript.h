#pragma once
// The script that the scripted web runtime plays in place of a page: one step
// per line, "#" starts a comment line, blank lines are ignored.
//
//   call NAME [ARG...]       calls the bound function NAME and logs its answer
//   answer FUNCTION VALUE    the page function FUNCTION answers VALUE from now on
//                            (until then it answers undefined, as a missing one does)
//   wait FUNCTION [MS]       waits until FUNCTION has been called once more than
//                            earlier waits for it have used up (default 60000 ms)
//   fetch ADDRESS            requests ADDRESS through the page hook and logs the answer
//   window                   logs the top-level window's size and frame
//   waitfile PATH [MS]       waits until the file PATH exists (a signal from outside)
//
// ARG and VALUE are script values: "text" (JSON string escapes), an integer,
// true, false or undefined. ADDRESS and PATH are strings too. When the script
// ends, the runtime clicks "closeBtn".

#include <string>
#include <vector>

namespace BridgeScript {

struct Value {
    enum class Kind { Undefined, Number, Boolean, String };
    Kind kind = Kind::Undefined;
    int number = 0;
    bool boolean = false;
    std::string text; // UTF-8

    static Value fromNumber(int n);
    static Value fromBoolean(bool b);
    static Value fromString(std::string s);
};

struct Step {
    enum class Kind { Call, Answer, Wait, Fetch, Window, WaitFile };
    Kind kind = Kind::Call;
    int line = 0;
    std::string name;        // function name, address or path
    std::vector<Value> args; // call arguments; the answer's value
    int timeoutMs = 60000;
};

struct Script {
    std::vector<Step> steps;
    std::string error; // "line N: why" when a line could not be read; steps stop before it
};

Script parse(const std::string &text);

// The value as the log writes it: JSON for strings, numbers and booleans, else "undefined".
std::string logForm(const Value &value);
// A JSON string literal of UTF-8 text (non-ASCII kept as it is).
std::string jsonString(const std::string &text);

} // namespace BridgeScript
