// The built-in figure scene: key pool, bone and piece records, the mesh arrays, the per-piece
// loudness pulse and the point tag table. The tables are made at build time by
// data/make_scene.cpp (generated/scene.cpp); the layouts here are those the pose and the figure
// pass read.
#pragma once
#include <stdint.h>

enum : int {
    scene_piece_count = 48,
    scene_bone_count = 13,
    scene_tag_count = 4,
    scene_identity_bone = 12,
};

// One bone: rest translation, rotation (Euler angles, applied x then y then z) and scale, its
// three key tracks (start in floats into the key pool, count in keys) and the bind correction,
// the top three rows of a 4x4 matrix, column by column.
struct bone_record {
    float rest_translation[3];
    float rest_rotation[3];
    float rest_scale[3];
    int32_t translation_track[2];
    int32_t rotation_track[2];
    int32_t scale_track[2];
    float bind[12];
};
static_assert(sizeof(bone_record) == 108, "bone records are 108 bytes");

// One piece of the mesh: rest values and tracks as for bones; the dequantisation of its
// positions (position = q * B + O); its base colour; its range of the shared index list; and its
// index-texture slot.
struct piece_record {
    float rest_translation[3];
    float rest_rotation[3];
    float rest_scale[3];
    int32_t translation_track[2];
    int32_t rotation_track[2];
    int32_t scale_track[2];
    float B[3];
    float O[3];
    float A[3];
    uint8_t zero0[16];
    int32_t first_index;
    int32_t index_count;
    int32_t unused[2];
    int32_t index_slot;
    uint8_t zero1[12];
    int32_t ones[2];
};
static_assert(sizeof(piece_record) == 152, "piece records are 152 bytes");

struct point_tag {
    int32_t piece;
    int32_t group;
    float offset[3];
};

extern const int32_t scene_key_count;     // keys in the pool (four floats each: time, x, y, z)
extern const float scene_keys[];          // 4 * scene_key_count floats
extern const bone_record scene_bones[scene_bone_count];
extern const piece_record scene_pieces[scene_piece_count];
extern const float scene_piece_pulse[scene_piece_count];
extern const point_tag scene_tags[scene_tag_count];

extern const int32_t scene_vertex_count;
extern const int32_t scene_index_count;
extern const uint16_t scene_positions[];     // 3 per vertex, 0..65535 per axis
extern const uint16_t scene_uvs[];           // 2 per vertex
extern const int8_t scene_normals[];         // 3 per vertex, -127..127
extern const uint8_t scene_bone_indices[];   // 2 per vertex
extern const uint8_t scene_bone_weights[];   // 1 per vertex, weight of the first bone
extern const uint16_t scene_indices[];
