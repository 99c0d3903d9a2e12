#pragma once

// The palettes the screenshots are taken in: the style's own light palette,
// or a dark one like a desktop's dark mode.
namespace ScreenshotPalette {

void apply(bool dark);

} // namespace ScreenshotPalette
