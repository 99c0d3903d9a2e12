#include "ScreenshotPalette.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace ScreenshotPalette {

void apply(bool dark)
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (!dark) {
        QApplication::setPalette(QApplication::style()->standardPalette());
        return;
    }
    QPalette palette;
    const QColor window(0x2b, 0x2b, 0x2e);
    // Fields a little lighter than the window, as dark desktops draw them, so
    // the style's dark outlines of check boxes and fields stay visible.
    const QColor base(0x38, 0x38, 0x3c);
    const QColor text(0xe8, 0xe8, 0xea);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8c, 0x8c, 0x90));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x8b, 0xfd));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x6c, 0xa8, 0xff));
    palette.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4e));
    palette.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x44));
    palette.setColor(QPalette::Mid, QColor(0x33, 0x33, 0x36));
    palette.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1a));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, QColor(0x7a, 0x7a, 0x7e));
    QApplication::setPalette(palette);
}

} // namespace ScreenshotPalette
