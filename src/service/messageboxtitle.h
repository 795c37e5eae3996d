#pragma once

#include <QString>

// The title of the program's information, warning and error boxes. It is
// translated before any translator exists, so it always reads as written.
const QString &messageBoxTitle();
