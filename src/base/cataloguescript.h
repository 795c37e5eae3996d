#pragma once
// The pages' driver catalogue script (html/data/catalogue.js) assigns one JSON
// document to window.TessalyCatalogue; the program and the stand-in service
// read that document out of it.

#include <QByteArray>

namespace CatalogueScript {

// The document, or empty when the text is not of that form. The generator
// closes the object with "};" on a line of its own; anything after it (a demo
// overlay) is not the catalogue.
inline QByteArray documentOf(const QByteArray &script)
{
    static const QByteArray assignment = "window.TessalyCatalogue = {";
    const int start = script.indexOf(assignment);
    if (start < 0)
        return {};
    const int open = start + assignment.size() - 1;
    const int end = script.indexOf("\n};", open);
    if (end < 0)
        return {};
    return script.mid(open, end + 2 - open);
}

} // namespace CatalogueScript
