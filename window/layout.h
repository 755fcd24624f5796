// Where Form1's controls sit, in twips (1/1440 inch) within the client area,
// the same on every system; each toolkit turns them into its own pixels. 15
// twips make a pixel at 96 dots per inch.
#pragma once

namespace form1_layout {

struct Rect {
    int left, top, width, height;
};

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kStandardDpi = 96;

inline constexpr int kClientWidth = 7770;
inline constexpr int kClientHeight = 7365;
inline constexpr Rect kTextFileName{1440, 480, 4575, 4335};
inline constexpr Rect kCommandSign{2400, 5280, 2415, 855};
inline constexpr Rect kTextSign{1440, 6570, 4575, 285};
// Between the button and the result, shown only while a file is read.
inline constexpr Rect kProgress{1440, 6240, 4575, 210};

// Rounded to the nearest pixel, as Windows scales dialog layouts.
constexpr int pixels(int twips, int dpi = kStandardDpi) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

constexpr Rect pixels(Rect twips, int dpi = kStandardDpi) {
    return {pixels(twips.left, dpi), pixels(twips.top, dpi), pixels(twips.width, dpi),
            pixels(twips.height, dpi)};
}

static_assert(pixels(kClientWidth) == 518 && pixels(kClientHeight) == 491);

}  // namespace form1_layout
