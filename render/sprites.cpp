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
        glBindTexture(GL_TEXTURE_2D, sprite_textures[i]);
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

static void use_sprite_program() {
    glUseProgram(sprite_program.name);
    glBindVertexArray(sprite_quad_vertex_array);
    glActiveTexture(GL_TEXTURE0);
    if (sprite_program.loc[sprite_T] >= 0) glUniform1i(sprite_program.loc[sprite_T], 0);
}

void scene_sprite_pass(int, int) {
    use_sprite_program();
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
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    if (ornament_vertex_count > 0) draw_emblem(emblem_slot(phrase), f, q);
    glDisable(GL_DEPTH_TEST);
    use_sprite_program();
    for (int i = 0; i < 3; ++i) {
        screen_sprite s;
        if (!cover_sprite(i, phrase, cue.t, cue.beat, f, audio.AU, q, sprites, rng_salt, &s)) break;
        place_sprite(s.image, s.x, s.y, s.scale, s.angle, q);
    }
}

void overlay_pass(int w, int h) {
    float q = (float)w / (float)h;
    glDisable(GL_DEPTH_TEST);
    use_sprite_program();
    screen_sprite s;
    if (title_sprite(cue.t, cue.beat, audio.AU, sprites, &s)) place_sprite(s.image, s.x, s.y, s.scale, s.angle, q);
    if (closing_sprite(cue.t, cue.beat, show.show_length, audio.AU, sprites, &s))
        place_sprite(s.image, s.x, s.y, s.scale, s.angle, q);
}
