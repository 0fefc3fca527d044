// The program set, the full-screen vertex arrays, the sprite quad and the render targets.
#pragma once
#include <stdint.h>

#include "render/gl_api.h"

// The uniform names of the post, background and cover programs: one list of 31 names, each
// program looking up its own stretch (8, 12, 11).
enum : int {
    fullscreen_uniform_count = 31,
    post_uniform_first = 0,
    post_uniform_count = 8,
    background_uniform_first = 8,
    background_uniform_count = 12,
    cover_uniform_first = 20,
    cover_uniform_count = 11,
};
extern const char* const fullscreen_uniform_names[fullscreen_uniform_count];

// Table indices, in the order of each program's stretch of the list.
enum : int { post_R, post_T, post_B, post_AU, post_S, post_L, post_E, post_K };
enum : int {
    bg_R, bg_t, bg_beat, bg_cue, bg_sinceCue, bg_P, bg_COL, bg_BELOW, bg_LAST, bg_PL, bg_AU, bg_MOOD
};
enum : int { cover_R, cover_T, cover_B, cover_AU, cover_PL, cover_K, cover_S, cover_F, cover_M, cover_Z, cover_TX };
enum : int { sprite_M, sprite_P, sprite_T };

enum : int { program_max_uniforms = 20 };

// A program: its GL name and its uniform locations in the order of its name list (-1 where the
// linked program has no such uniform).
struct gl_program {
    GLuint name;
    GLint loc[program_max_uniforms];
};

extern gl_program background_program;
extern gl_program cover_program;
extern gl_program post_program;
extern gl_program sprite_program;
extern gl_program vertex_colour_program;
// The figure program's two tables are filled by the figure code (its shaders are built there).
extern gl_program figure_program;
extern GLint figure_uniforms_second[10];

// How many leading elements of the background's P[8] the linked program keeps: a driver drops the
// elements the shader never reads, and their would-be locations may belong to other uniforms.
extern int background_p_active;

extern GLuint background_vertex_array; // made with the background program
extern GLuint fullscreen_vertex_array; // made after the cover program, for cover and post
extern GLuint sprite_quad_buffer;
extern GLuint sprite_quad_vertex_array;

// Builds a program from one vertex and one or more fragment source strings: shaders and program
// are created, compiled, attached and linked; no status is read.
GLuint build_program(const char* vertex_source, int fragment_count, const char* const* fragment_sources);
// Looks up count names into table, in order.
void look_up_uniforms(GLuint program, const char* const* names, int count, GLint* table);

// Builders of the start-up order; each also looks up its uniform table.
void build_background_program(); // and background_vertex_array
void build_cover_program();      // and fullscreen_vertex_array
void build_post_program();
void build_sprite_program();     // and the sprite quad
void build_vertex_colour_program();

// Draws the full-screen triangle (the caller binds a vertex array and a program).
void draw_fullscreen_triangle();

// Sprite images as the sprite code fills them: texture, size and working palette per image.
enum : int { sprite_image_count = 8 };
extern GLuint sprite_textures[sprite_image_count];
extern int32_t sprite_widths[sprite_image_count];
extern int32_t sprite_heights[sprite_image_count];
extern float sprite_palettes[sprite_image_count][16][3];

// The caller has made the sprite program current and bound the sprite quad's vertex array.
void draw_sprite(int image, const float matrix[16]);
void place_sprite(int image, float x, float y, float scale, float angle, float aspect);

// A render target: a texture made on first use (name 0) and given new storage at each size.
void create_render_target(GLuint* name, int width, int height);
