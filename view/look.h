// What the board looks like, for every front end alike: the colours of the
// palette, the picture of each code and the fonts of the texts.  Front ends
// turn these into their own colours, images and fonts.
#pragma once

#include <string>
#include <vector>

namespace rindou {

struct Rgb {
    int red, green, blue;
};
// The colour of a palette index the drawing routines name (BLACK, WHITE,
// LIGHT_RED, the frames' and the hint's colours); grey for any other.
Rgb palette_rgb(int index);

// The picture file of a picture code ("UE_KYOU_0" for 20, "SITA_KAKU_1" for
// -801; the pictures folder holds it as .png, and at twice the size as
// @2x.png); empty for a code without a picture.
std::string picture_file_stem(int code);
// Every code that has a picture.
std::vector<int> picture_codes();

// The font families of the texts, the first found on the system being used.
const std::vector<std::string>& text_font_families();

}  // namespace rindou
