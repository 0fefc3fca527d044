#include "render/slots.h"

GLuint figure_vertex_array;

void build_figure_program() {}
void init_figure_mesh_first() {}
void init_figure_mesh_rest() {}
void look_up_figure_second() {}
void init_ornaments() {}
void make_sprites() {}

void figure_pass(int, int) {}
void ornament_pass(int, int) {}
void scene_sprite_pass(int, int) {}
void full_cover_extras(int, int, int32_t, float) {}
void overlay_pass(int, int) {}
