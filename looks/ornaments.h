// The phrase ornaments, without GL: the shape vocabulary and its emitters, the ornament slot
// table and the builder that turns a phrase index into an ornament set, and the per-frame
// values of the drawing (envelope, slot angle, scale, group turn). render and figures/ only
// upload and draw what these write.
#pragma once
#include <stdint.h>

enum : int {
    ornament_capacity = 150000,     // vertices in the ornament buffer
    ornament_group_capacity = 2048, // spin groups
    ornament_slot_count = 29,
    shape_type_count = 18,
};

// Six floats, 24 bytes: position, then linear colour.
struct ornament_vertex {
    float x, y, z;
    float r, g, b;
};

struct spin_group {
    int32_t first;
    int32_t count;
    float speed;
};

struct shape_point {
    float x, y;
};

// The current shape transform: translation in the shape plane, cosine and sine of the turn,
// scale of the shape's x and of its y.
struct shape_transform {
    float tx, ty, c, s, sx, sy;
};

// Build state: the buffer (null until ornament_buffer_allocate succeeds; a build without it
// writes nothing), the vertex count, the spin groups, the transform, the colour picks and the
// no-spin flag of the ornament being built.
extern ornament_vertex* ornament_vertices;
extern int32_t ornament_vertex_count;
extern spin_group spin_groups[ornament_group_capacity];
extern int32_t spin_group_count;
extern shape_transform shape_xf;
extern int32_t colour_picks[3];
extern bool no_spin;

// Allocates the 150,000-vertex buffer once; false when that fails (ornaments stay off).
bool ornament_buffer_allocate();

// Emitters. A colour slot k takes PL[colour_picks[k mod 3] & 3].
void emit_vertex(int layer, const float colour[3], float x, float y);
void emit_fan(const shape_point* p, int n, int layer, int slot);
void emit_stroke(const shape_point* p, int n, int layer, int slot, float width);
void emit_rect(int layer, int slot, float x0, float y0, float x1, float y1);
int arc_points(shape_point* p, int n, float cy, float r, float a0, float a1);
// Mind the order: the fourth argument scales the shape's y, the fifth its x.
void set_shape_transform(float tx, float ty, float angle, float sy, float sx);
void emit_shape(int type, int layer, int slot, float w);
void place_shape(int type, int layer, int slot, float tx, float ty, float angle, float scale, float w);
// Closes the current spin group and opens the next (spin speed drawn unless no_spin).
void begin_group();

// The ornament slot table.
struct ornament_slot {
    int16_t piece;  // figure piece it rides on, -1 for none
    uint8_t kind;   // 0: drawn from one list, 8: from another
    uint8_t flags;  // 1: rocks instead of turning, 2: pulses with loudness, 4: no turning
    float placement[16];
    float size;
    float spin;
};
extern const ornament_slot ornament_slots[ornament_slot_count];

// What a build leaves per slot.
struct ornament_slot_set {
    int32_t kind; // after any random choice
    int32_t picks[3];
    int32_t first_group;
    int32_t group_count;
    float turn_speed;
    float turn_phase;
    int32_t first_vertex;
    int32_t vertex_count;
};
extern ornament_slot_set ornament_set[ornament_slot_count];

// Builds the ornament set of a phrase into the buffer, inside the phrase's derived stream: the
// shared generator ends where it was. Needs PL.
void build_ornament_set(int32_t phrase);

// Per-frame values of the drawing.
// The phrase whose set a frame shows: trunc(beat / 32) for beat > 0, else 0.
int32_t ornament_phrase(float beat);
// Spring-in over a phrase's first two beats (not the very first phrase), fade over its last.
float ornament_envelope(float beat);
// Slot angle w and slot scale u (u <= 0: the slot is not drawn).
float ornament_slot_angle(int slot, float t, float beat, const float AU[4]);
float ornament_slot_scale(int slot, float envelope, const float AU[4]);
// The group matrix: a turn about the ornament's y axis (its shape plane's normal) by the
// group's angle, scaled by u.
float ornament_group_angle(float speed, float t, float beat, float slot_angle);
void ornament_group_matrix(float angle, float u, float out[16]);
// The full-screen matrix of the emblem (shape plane facing the viewer, layers as depth).
void emblem_matrix(float angle, float s, float aspect, float out[16]);
// The emblem's slot for phrase p: int(hash01(rng_salt, 13p) * 29).
int emblem_slot(int32_t phrase);
