#ifndef KEYFOLD_TWIPSSCALE_H
#define KEYFOLD_TWIPSSCALE_H

#include <QRect>

class QFont;

// Turns a layout drawn in twips into device-independent pixels, enlarged with the font the way
// dialog units are, so that a layout made for a small system font still fits a larger one.
class TwipsScale
{
public:
    explicit TwipsScale(const QFont &font);

    QRect toPixels(int left, int top, int width, int height) const;
    QSize toPixels(int width, int height) const;

private:
    int scaled(int twips) const;

    double pixelsPerTwip;
};

#endif
