// The sprite pictures' textures and the three sprite passes: scene sprites, the full-cover
// extras (emblem and circling sprites) and the overlays (title, closing cards). Where each
// picture goes is decided in player/overlays.cpp.
#include <stdlib.h>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/camera.h"
#include "looks/ornaments.h"
#include "player/overlays.h"
#include "core/pose.h"
#include "core/rng.h"
#include "core/show.h"
#include "figures/ornaments_gl.h"
#include "looks/palette.h"
#include "looks/sprites.h"
#include "render/fast_programs.h"
#include "render/gl_state.h"
#include "render/programs.h"
#include "render/slots.h"

void make_sprites() {
    reset_sprite_lists();
    for (int i = 0; i < sprite_count; ++i) {
        const sprite_entry& e = sprite_directory[i];
        sprite_textures[i] = 0;
        sprite_widths[i] = e.width;
        sprite_heights[i] = e.height;
        uint8_t* bytes = (uint8_t*)malloc((size_t)e.width * (size_t)e.height);
        if (!bytes) continue; // left out of every list
        unpack_sprite(sprite_pixels, e.offset, e.width, e.height, bytes);
        glGenTextures(1, &sprite_textures[i]);
        bind_texture_here(sprite_textures[i]);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, e.width, e.height, 0, GL_RED, GL_UNSIGNED_BYTE, bytes);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        free(bytes);
        add_sprite(&sprites, i, e, sprite_stored_palettes[i], sprite_palettes[i]);
    }
}

// The sprite program with its pictures on unit 0, in a state the caller declared.
static void use_sprite_program(gl_pass_state state) {
    state.program = sprite_program.name;
    state.vertex_array = sprite_quad_vertex_array;
    state.active_unit = 0;
    apply_gl_state(state);
    if (sprite_program.loc[sprite_T] >= 0) glUniform1i(sprite_program.loc[sprite_T], 0);
}

void scene_sprite_pass(int, int) {
    // In the scene: hidden behind the figure and ornaments where they stand in front.
    use_sprite_program(scene_pass_state(gl_keep, gl_keep));
    scene_sprite s[scene_sprite_slots];
    int n = scene_sprites_now(camera.eye, camera.view, sprites, s);
    for (int k = 0; k < n; ++k) {
        float mvp[16];
        mat4_mul(mvp, camera.view_projection, s[k].model);
        draw_sprite(s[k].image, mvp);
    }
}

void full_cover_extras(int w, int h, int32_t phrase, float b) {
    float q = (float)w / (float)h;
    float f = cover_growth(b);
    // The emblem with a depth of its own over the cover (draw_emblem binds its program),
    // then the sprites over everything.
    apply_gl_state(gl_rest_state());
    glClear(GL_DEPTH_BUFFER_BIT);
    if (ornament_vertex_count > 0) draw_emblem(emblem_slot(phrase), f, q);
    gl_pass_state sprite_state = gl_pass(gl_keep, gl_keep);
    sprite_state.depth_test = false;
    use_sprite_program(sprite_state);
    for (int i = 0; i < 3; ++i) {
        screen_sprite s;
        if (!cover_sprite(i, phrase, cue.t, cue.beat, f, audio.AU, q, sprites, rng_salt, &s)) break;
        place_sprite(s.image, s.x, s.y, s.scale, s.angle, q);
    }
}

void overlay_pass(int w, int h) {
    float q = (float)w / (float)h;
    // Over everything drawn before.
    gl_pass_state state = gl_pass(gl_keep, gl_keep);
    state.depth_test = false;
    use_sprite_program(state);
    screen_sprite s;
    if (title_sprite(cue.t, cue.beat, audio.AU, sprites, &s)) place_sprite(s.image, s.x, s.y, s.scale, s.angle, q);
    if (closing_sprite(cue.t, cue.beat, show.show_length, audio.AU, sprites, &s))
        place_sprite(s.image, s.x, s.y, s.scale, s.angle, q);
    apply_gl_state(gl_rest_state());
}
