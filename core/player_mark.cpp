// The player executable's mark (see core/player_mark.h). Compiled into the players only.
#include "core/player_mark.h"

extern "C" __attribute__((used)) const unsigned char tavrin_player_mark[player_mark_size] = {
    0x7f, 't', 'a', 'v', 'r', 'i', 'n', ' ', 'p', 'l', 'a', 'y', 'e', 'r', ' ', 'e',
    'x', 'e', 'c', 'u', 't', 'a', 'b', 'l', 'e', 0x00, 0xc3, 0x9f, 0x1d, 0x8e, 0x52, 0x07,
};
