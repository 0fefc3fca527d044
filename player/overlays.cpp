#include "player/overlays.h"
#include "core/fmath.h"

#include <math.h>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/pose.h"
#include "core/rng.h"
#include "core/show.h"
#include "looks/palette.h"
#include "looks/sprites.h"

static const float pi = 3.14159265f;

int scene_sprites_for_frame(const scene_sprite_inputs& in, const sprite_lists& lists,
                            const sprite_entry* directory, scene_sprite out[scene_sprite_slots]) {
    if (lists.free_count <= 0) return 0;
    float beats = (in.t - in.beat_origin) * in.beats_per_second;
    float bars = 0.25f * beats;
    if (!(beats > 16.0f)) return 0;
    const float* AU = in.AU;
    const float* v = in.view;
    int drawn = 0;
    for (int j = 0; j < scene_sprite_slots; ++j) {
        uint32_t key = in.salt ^ (uint32_t)(j * 7919);
        int period = (int)(hash01(in.salt, (uint32_t)(j + 100)) * 5.0f) + 2;
        int32_t cycle = (int32_t)(bars / (float)period);
        uint32_t base = 8u * (uint32_t)cycle;
        if (hash01(key, base) > 0.45f * in.mood_x + 0.4f) continue;
        float local = (bars - (float)cycle * (float)period) / (float)period;
        int group = in.variant >= 0 ? in.variant : (j & 1);
        float centre[3] = {0, 0, 0};
        if (in.centre) in.centre(group, in.dance_phase, centre);
        int pick = (int)((float)lists.free_count * hash01(key, base + 1));
        if (pick >= lists.free_count) pick = lists.free_count - 1;
        int image = lists.free_list[pick];
        const sprite_entry& e = directory[image];
        float fade = local > 0.9f ? 1.0f + 10.0f * (0.9f - local) : 1.0f;
        float size = (hash01(key, base + 2) * 0.8f + 0.7f) * ease_elastic(8.0f * local) * e.scale * fade;
        float width = size * (float)e.width / (float)e.height * (1.0f + 0.18f * AU[0]);
        if (hash01(key, base + 3) < 0.5f) width = -width;
        float a = (2.0f * hash01(key, base + 4) - 1.0f) * 1.9f;
        float d = hash01(key, base + 5) * 5.0f + 3.5f;
        float x = centre[0] + d * show_sinf(a), y = centre[1] - d * show_cosf(a);
        float ex = x - in.eye[0], ey = y - in.eye[1];
        if (ex * ex + ey * ey < 16.0f) continue; // never close to the eye
        float height = (1.0f - 0.1f * AU[0]) * size;
        float tilt = (0.5f + AU[1]) * 0.12f * show_sinf((float)j + 0.5f * pi * in.beat);
        float z = (AU[0] + 0.4f) * 0.35f * fabsf(show_sinf(pi * in.beat)) + 0.5f * height - 1.5017f;

        scene_sprite& s = out[drawn++];
        s.slot = j;
        s.image = image;
        s.x = x;
        s.y = y;
        s.z = z;
        s.width = width;
        s.height = height;
        s.tilt = tilt;
        // Billboard: the view's right and up rows, turned by the tilt.
        float R[3] = {v[0], v[4], v[8]}, U[3] = {v[1], v[5], v[9]};
        float c = show_cosf(tilt), sn = show_sinf(tilt);
        for (int k = 0; k < 3; ++k) {
            s.model[k] = width * (R[k] * c + U[k] * sn);
            s.model[4 + k] = height * (U[k] * c - R[k] * sn);
            s.model[8 + k] = k == 2 ? 1.0f : 0.0f;
        }
        s.model[3] = s.model[7] = s.model[11] = 0.0f;
        s.model[12] = x;
        s.model[13] = y;
        s.model[14] = z;
        s.model[15] = 1.0f;
    }
    return drawn;
}

static void figure_centre(int group, float phase, float out[3]) {
    vec3 p = figure_point(-1, group, phase);
    out[0] = p.x;
    out[1] = p.y;
    out[2] = p.z;
}

int scene_sprites_now(const float eye[3], const float view[16], const sprite_lists& lists,
                      scene_sprite out[scene_sprite_slots]) {
    scene_sprite_inputs in{};
    in.t = cue.t;
    in.beat_origin = show.beat_origin;
    in.beats_per_second = show.beats_per_second;
    in.beat = cue.beat;
    in.AU = audio.AU;
    in.mood_x = MOOD[0];
    in.variant = cue.entry_variant;
    in.dance_phase = cue.dance_phase;
    in.centre = figure_centre;
    in.eye = eye;
    in.view = view;
    in.salt = rng_salt;
    return scene_sprites_for_frame(in, lists, sprite_directory, out);
}

float cover_growth(float b) { return b < 2.0f ? 0.5f * b : 1.0f; }

bool cover_sprite(int i, int32_t phrase, float t, float beat, float f, const float AU[4], float aspect,
                  const sprite_lists& lists, uint32_t salt, screen_sprite* out) {
    if (lists.free_count <= 0) return false;
    int pick = (int)((float)lists.free_count * hash01(salt, (uint32_t)(7 * phrase + i)));
    if (pick >= lists.free_count) pick = lists.free_count - 1;
    out->image = lists.free_list[pick];
    out->x = 0.62f * aspect * show_cosf(0.5f * t + 2.094f * (float)i);
    out->y = 0.62f * show_sinf(0.5f * t + 2.094f * (float)i) + 0.08f * fabsf(show_sinf(pi * beat));
    out->scale = (0.12f * AU[0] + 1.0f) * 0.55f * f;
    out->angle = 0.15f * show_sinf(1.5707964f * beat + (float)i);
    return true;
}

bool title_sprite(float t, float beat, const float AU[4], const sprite_lists& lists, screen_sprite* out) {
    if (lists.title < 0 || !(t < 8.0f)) return false;
    float a = ease_elastic(1.2f * (t - 0.3f));
    float v = (1.0f - ease_elastic(1.6f * (t - 7.2f))) * a;
    if (!(v > 0.001f)) return false;
    out->image = lists.title;
    out->x = 0.0f;
    out->y = 0.04f * show_sinf(pi * beat) + 0.12f;
    out->scale = (1.0f + 0.07f * AU[0]) * 1.9f * v;
    out->angle = 0.05f * show_sinf(0.5f * pi * beat);
    return true;
}

bool closing_sprite(float t, float beat, float show_length, const float AU[4], const sprite_lists& lists,
                    screen_sprite* out) {
    int n = lists.ordered_count;
    if (n <= 0 || !(t > show_length - 14.0f)) return false;
    float slot = 13.0f / (float)n;
    float into = t + 14.0f - show_length;
    int i = (int)(into / slot);
    if (i >= n) return false;
    float u = (into - (float)i * slot) / slot;
    float v = (1.0f - ease_elastic(2.0f * slot * (u - 0.88f))) * ease_elastic(1.4f * slot * u);
    if (!(v > 0.001f)) return false;
    out->image = lists.ordered[i];
    out->x = 0.0f;
    out->y = 0.04f * show_sinf(pi * beat) - 0.05f;
    out->scale = (1.0f + 0.07f * AU[0]) * 1.6f * v;
    out->angle = 0.05f * show_sinf(0.5f * pi * beat + 1.0f);
    return true;
}
