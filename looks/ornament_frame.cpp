#include "looks/ornament_frame.h"

#include "core/pose.h"

ornament_draw ornament_draws[ornament_group_capacity];

void ornament_slot_base(int slot, float dance_phase, float out[16]) {
    const ornament_slot& s = ornament_slots[slot];
    if (s.piece >= 0) {
        float piece[16];
        piece_matrix(s.piece, dance_phase, piece);
        mat4_mul(out, piece, s.placement);
    } else {
        for (int k = 0; k < 16; ++k) out[k] = s.placement[k];
    }
}

// The slot's groups that hold vertices (the last group of every slot is empty).
template <class F>
static void for_each_group(int slot, F f) {
    const ornament_slot_set& o = ornament_set[slot];
    for (int32_t g = o.first_group; g < o.first_group + o.group_count && g < spin_group_count; ++g)
        if (spin_groups[g].count > 0) f(spin_groups[g]);
}

int ornament_frame_draws(float t, float beat, float dance_phase, const float AU[4], const float vp[16]) {
    int n = 0;
    if (ornament_vertex_count == 0) return 0;
    float e = ornament_envelope(beat);
    for (int i = 0; i < ornament_slot_count; ++i) {
        float u = ornament_slot_scale(i, e, AU);
        if (!(u > 0.0f)) continue;
        float base[16];
        ornament_slot_base(i, dance_phase, base);
        float w = ornament_slot_angle(i, t, beat, AU);
        for_each_group(i, [&](const spin_group& g) {
            if (n >= ornament_group_capacity) return;
            float G[16], model[16];
            ornament_group_matrix(ornament_group_angle(g.speed, t, beat, w), u, G);
            mat4_mul(model, base, G);
            ornament_draw& d = ornament_draws[n++];
            mat4_mul(d.mvp, vp, model);
            d.first = g.first;
            d.count = g.count;
        });
    }
    return n;
}

int emblem_draws(int slot, float t, float beat, float f, const float AU[4], float aspect) {
    int n = 0;
    if (ornament_vertex_count == 0 || slot < 0 || slot >= ornament_slot_count) return 0;
    float s = (0.1f * AU[0] + 1.0f) * 1.6f * f;
    for_each_group(slot, [&](const spin_group& g) {
        ornament_draw& d = ornament_draws[n++];
        emblem_matrix(ornament_group_angle(g.speed, t, beat, 0.3f * t), s, aspect, d.mvp);
        d.first = g.first;
        d.count = g.count;
    });
    return n;
}
