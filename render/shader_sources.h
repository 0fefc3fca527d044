// GLSL sources, embedded at build time from render/shaders/*.glsl (render/embed_shaders.cmake).
#pragma once

extern const char shader_fullscreen_vert[];
extern const char shader_background_frag[]; // without its version line: see background_version
extern const char shader_cover_frag[];
extern const char shader_post_frag[];
extern const char shader_sprite_vert[];
extern const char shader_sprite_frag[];
extern const char shader_vertex_colour_vert[];
extern const char shader_vertex_colour_frag[];
extern const char shader_figure_vert[];
extern const char shader_figure_frag[];
