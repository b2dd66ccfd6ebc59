#include "host/twipsscale.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {
constexpr double twipsPerPixel = 15;
// The design font's line height, and an average letter width (over A-Z and a-z) at which the
// longest caption, the check box's, still fits the layout: the font is judged by both.
constexpr double designLineHeight = 13;
constexpr double designLetterWidth = 5.6;
} // namespace

TwipsScale::TwipsScale(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double letterWidth = metrics.horizontalAdvance(letters) / double(letters.size());
    const double fontFactor =
        std::max(metrics.height() / designLineHeight, letterWidth / designLetterWidth);
    pixelsPerTwip = fontFactor / twipsPerPixel;
}

QRect TwipsScale::toPixels(int left, int top, int width, int height) const
{
    return {scaled(left), scaled(top), scaled(width), scaled(height)};
}

QSize TwipsScale::toPixels(int width, int height) const
{
    return {scaled(width), scaled(height)};
}

int TwipsScale::scaled(int twips) const
{
    return static_cast<int>(std::lround(twips * pixelsPerTwip));
}
