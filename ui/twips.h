#pragma once

#include <QRect>

class QWidget;

namespace morvel {

// Window designs are measured in twips (1/1440 inch): 15 to a pixel at 96 dpi.
// Qt's device-independent pixels are 96 dpi pixels, so high-dpi screens scale.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

// Places a control at a designed position within its parent.
void placeTwips(QWidget* widget, int left, int top, int width, int height);

}  // namespace morvel
