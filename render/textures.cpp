#include "render/textures.h"

#include "render/gl_state.h"

#include "data/index_slots.h"
#include "data/pattern_atlas.h"
#include "looks/patterns.h"

GLuint index_textures[texture_slot_count];
float slot_pairs[texture_slot_count][2][3];
GLuint pattern_texture;

void make_index_textures() {
    for (int slot = 0; slot < texture_slot_count; ++slot) {
        index_textures[slot] = 0;
        const index_slot& s = index_slots[slot];
        if (s.size <= 0) continue;
        glGenTextures(1, &index_textures[slot]);
        bind_texture_here(index_textures[slot]);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, s.size, s.size, 0, GL_RED, GL_UNSIGNED_BYTE,
                     index_pixels + s.pixel_offset);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
}

void upload_pattern_texture(int choice, uint8_t* scratch) {
    const pattern_choice& c = pattern_choices[choice];
    make_pattern_image(pattern_atlas, c.pattern, c.flags, scratch);
    bind_texture_here(index_textures[c.slot]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, pattern_size, pattern_size, 0, GL_RED, GL_UNSIGNED_BYTE, scratch);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    for (int i = 0; i < 3; ++i) {
        slot_pairs[c.slot][0][i] = c.pair[0][i];
        slot_pairs[c.slot][1][i] = c.pair[1][i];
    }
    pattern_texture = index_textures[c.slot];
}
