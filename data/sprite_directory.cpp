// The sprite pictures' directory: size, byte offset in the pixel block, kind, order key and
// scale in the scene. The pictures themselves are drawn at build time (data/sprite_pictures_gen.cpp).
#include "data/sprite_directory.h"

const sprite_entry sprite_directory[sprite_count] = {
    {149, 256, 0, 2, 0, {0, 0}, 2.0f},      // sticker: a quaver
    {193, 256, 19072, 2, 0, {0, 0}, 2.3f},  // sticker: a flower with a face
    {256, 188, 43776, 2, 0, {0, 0}, 1.7f},  // sticker: a cassette
    {173, 256, 67840, 2, 0, {0, 0}, 2.1f},  // sticker: a rocket
    {256, 153, 89984, 2, 0, {0, 0}, 1.6f},  // sticker: sunglasses
    {400, 132, 109568, 1, 0, {0, 0}, 2.0f}, // closing card: "thank you"
    {400, 200, 135968, 1, 1, {0, 0}, 2.0f}, // closing card: "see you / next seed"
    {512, 234, 175968, 0, 0, {0, 0}, 2.0f}, // title: "tavrin"
};
