#pragma once

class QFont;

// Window layouts were drawn in pixels for the old desktop's interface font,
// Tahoma at 11 pixels, whose figures are 6 pixels wide. Linux fonts set text
// wider, so widths drawn for text grow by as much as the font actually used
// is wider: what fitted there fits here.

// How much wider than the design font `font` sets figures; never below 1.
double DesignScale(const QFont& font);
// A width drawn for text in the design font, for text in `font`.
int ScaleDesignWidth(int width, const QFont& font);
