// Where the sprite pictures go each frame, without GL: the scene sprites standing around the
// dancers, the three sprites circling the emblem of a fully covered phrase, the title and the
// closing cards. Everything is a function of the frame's inputs; nothing persists.
#pragma once
#include <stdint.h>

struct sprite_lists;
struct sprite_entry;

enum : int { scene_sprite_slots = 6 };

struct scene_sprite {
    int32_t slot;
    int32_t image;
    float x, y, z;
    float width;  // negative: mirrored
    float height;
    float tilt;
    float model[16]; // billboard facing the camera, column-major
};

struct scene_sprite_inputs {
    float t, beat_origin, beats_per_second, beat;
    const float* AU;    // 4 values
    float mood_x;
    int32_t variant;    // the current plan entry's
    float dance_phase;
    // The centre the sprites of a dancer group stand around, at a dance phase.
    void (*centre)(int group, float dance_phase, float out[3]);
    const float* eye;   // 3 values
    const float* view;  // 16 values, column-major
    uint32_t salt;
};

// Fills out[] with the drawn slots in slot order; returns how many.
int scene_sprites_for_frame(const scene_sprite_inputs& in, const sprite_lists& lists,
                            const sprite_entry* directory, scene_sprite out[scene_sprite_slots]);

// The scene sprites of the current frame (cue, audio values, show values, MOOD, rng_salt and
// the figure's tagged points) seen from a camera with this eye and view matrix.
int scene_sprites_now(const float eye[3], const float view[16], const sprite_lists& lists,
                      scene_sprite out[scene_sprite_slots]);

// A sprite placed on the screen (place sprite's arguments, aspect excluded).
struct screen_sprite {
    int32_t image;
    float x, y, scale, angle;
};

// Emblem growth f over the first two beats of a fully covered phrase.
float cover_growth(float b);
// The three sprites circling the emblem of phrase p; false when the free list is empty.
bool cover_sprite(int i, int32_t phrase, float t, float beat, float f, const float AU[4], float aspect,
                  const sprite_lists& lists, uint32_t salt, screen_sprite* out);
// The title over the first 8 seconds; false when nothing shows.
bool title_sprite(float t, float beat, const float AU[4], const sprite_lists& lists, screen_sprite* out);
// The closing card of the moment in the last 14 seconds; false when none shows.
bool closing_sprite(float t, float beat, float show_length, const float AU[4], const sprite_lists& lists,
                    screen_sprite* out);
