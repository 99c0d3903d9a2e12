#pragma once

#include <QString>

// Maps yt-dlp's technical failure text to one plain sentence that says what
// went wrong and what to do. Stateless and thread-safe.
namespace ErrorInterpreter {

// `text` is yt-dlp's error output (several lines joined with line feeds);
// `exitCode` is only used when the text says nothing at all.
QString explain(const QString& text, int exitCode);

} // namespace ErrorInterpreter
