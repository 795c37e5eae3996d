#pragma once
// The small pages a phone sees during sign-in.

#include <string>

namespace phonepages {
// A page with a heading and one sentence.
std::string message(const std::string &title, const std::string &text);
// Asks whether to sign in on the computer, with confirm and cancel.
std::string confirm(const std::string &nickname, const std::string &state,
                    const std::string &csrf);
} // namespace phonepages
