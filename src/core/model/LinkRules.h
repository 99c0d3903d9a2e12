#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// The one rule for what counts as a web link, shared by every way a link can
// arrive (typed, pasted, dropped, handed over by another program).

// The whole text as exactly one http(s) link whose host contains a dot, or
// nothing. Leading and trailing white space is ignored; white space or control
// characters inside reject the text.
std::optional<QUrl> validWebURL(const QString& text);

// Every http(s) link in a free text, in order of appearance, repeats included.
// Bare "www." links count and become "http://" links. A link ends at white
// space, '<', '>' or a double quote; trailing sentence punctuation and closing
// brackets without a partner inside the link are not part of it.
QList<QUrl> extractURLs(const QString& text);
