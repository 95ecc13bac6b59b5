#pragma once

#include <QRect>

namespace shell {

// Lengths in the window designs are twips. A logical pixel is 15 twips; Qt
// scales logical pixels to the screen, so this is the one conversion.
inline constexpr int kTwipsPerPixel = 15;

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;

    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
    constexpr bool contains(const TwipsRect &other) const
    {
        return other.left >= left && other.top >= top && other.right() <= right()
            && other.bottom() <= bottom();
    }
    constexpr bool intersects(const TwipsRect &other) const
    {
        return left < other.right() && other.left < right() && top < other.bottom()
            && other.top < bottom();
    }
    friend constexpr bool operator==(const TwipsRect &, const TwipsRect &) = default;
};

int toPixels(int twips);

// Edges are converted, not sizes, so that controls that meet in twips still
// meet in pixels.
QRect toPixels(const TwipsRect &rect);

} // namespace shell
