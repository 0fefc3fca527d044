#include "render/slots.h"

void init_ornaments() {}
void make_sprites() {}

void ornament_pass(int, int) {}
void scene_sprite_pass(int, int) {}
void full_cover_extras(int, int, int32_t, float) {}
void overlay_pass(int, int) {}
