// Skeleton and pose of the built-in figure scene (data/scene.h): the two 4x4 matrix operations
// the drawing code shares, key-track sampling, piece and bone matrices and the tagged points the
// camera aims at. Matrices are 16 floats, column-major (element 4 * column + row).
#pragma once

struct vec3 {
    float x, y, z;
};

// The key pool the tracks index: the built-in scene's (data/scene.h); tests may point it at
// keys of their own.
extern const float* pose_key_pool;

void mat4_identity(float m[16]);
// out = a * b; out may be a or b.
void mat4_mul(float out[16], const float a[16], const float b[16]);

// The value of a key track (start in floats into the key pool, count keys) at time: the rest
// value for an empty track, the single key's value for one key, else linear between the two keys
// around time, the first key's value before it and the last key's from its time on.
vec3 sample_track(vec3 rest, int start, int count, float time);
// translation * Rz * Ry * Rx * scale.
void trs_matrix(vec3 t, vec3 r, vec3 s, float out[16]);
// A piece's matrix at a dance-phase time (0..16).
void piece_matrix(int piece, float time, float out[16]);

// The 13 bone matrices at a dance-phase time: pose matrix * bind correction each.
extern float BONES[13 * 16];
void pose_bones(float time);

// The mean position of the tagged points taken by select (-1 all, else that entry) and group
// (-1 any, else that group), each the translation of its piece plus the entry's offset in scene
// space; the origin when no entry is taken.
vec3 figure_point(int select, int group, float time);
