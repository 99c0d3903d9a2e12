#include "ClipboardPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>

ClipboardPasteboard::ClipboardPasteboard(QObject* parent)
    : QObject(parent)
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { ++m_count; });
}

std::optional<QString> ClipboardPasteboard::string() const
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}
