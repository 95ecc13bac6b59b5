#include "twips.h"

#include <cmath>

namespace shell {

int toPixels(int twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

QRect toPixels(const TwipsRect &rect)
{
    const int left = toPixels(rect.left);
    const int top = toPixels(rect.top);
    return QRect(left, top, toPixels(rect.right()) - left, toPixels(rect.bottom()) - top);
}

} // namespace shell
