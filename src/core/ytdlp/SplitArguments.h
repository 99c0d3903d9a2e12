#pragma once

#include <QString>
#include <QStringList>

// Splits the user's free-text extra arguments the way a POSIX shell would
// for plain words: whitespace separates, quotes group and are removed, a
// backslash outside single quotes takes the next character literally. An
// unterminated quote is closed at the end of the text.
QStringList splitArguments(const QString& text);
