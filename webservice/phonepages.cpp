#include "phonepages.h"

#include <QString>

namespace {
std::string escaped(const std::string &text)
{
    return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

std::string page(const std::string &title, const std::string &body)
{
    return "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           escaped(title) +
           "</title><style>body{font-family:sans-serif;text-align:center;margin:3em 1em}"
           "button{font-size:1.1em;padding:.6em 2em;margin:.5em;border-radius:6px;border:0}"
           "#confirm{background:#20d84b;color:#fff}#cancel{background:#eee}</style></head>"
           "<body><h1>" +
           escaped(title) + "</h1>" + body + "</body></html>";
}
} // namespace

namespace phonepages {
std::string message(const std::string &title, const std::string &text)
{
    return page(title, "<p>" + escaped(text) + "</p>");
}

std::string confirm(const std::string &nickname, const std::string &state, const std::string &csrf)
{
    return page("在电脑上登录 Tessaly？",
                "<p>" + escaped(nickname) +
                    "</p><form method=\"post\" action=\"/login/confirm\">"
                    "<input type=\"hidden\" name=\"state\" value=\"" +
                    escaped(state) + "\"><input type=\"hidden\" name=\"csrf\" value=\"" +
                    escaped(csrf) +
                    "\"><button id=\"confirm\" name=\"decision\" value=\"confirm\">确认登录</button>"
                    "<button id=\"cancel\" name=\"decision\" value=\"cancel\">取消</button>"
                    "</form>");
}
} // namespace phonepages
