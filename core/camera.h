// The camera of each frame: from the current plan entry (variant, scene kind, key), its eased
// progress, the energy, the audio vector and the figure's tagged points, an eye, a target, a
// lens and the view, projection and view-projection matrices (column-major) that the 3-D passes
// use. The world is z-up; the camera stands in front of the stages, at negative y.
#pragma once
#include <stdint.h>

struct camera_frame {
    float eye[3];
    float target[3];
    float lens; // focal length in millimetres of a 36 mm wide frame
    float view[16];
    float projection[16];
    float view_projection[16];
};
extern camera_frame camera;

struct camera_input {
    float t;           // show time
    float dance_phase; // 0..16
    int32_t variant;   // -1 both groups, else the group in focus
    int32_t kind;      // scene kind 0..8 (larger values move as 8)
    uint32_t key;      // the plan entry's key
    float eased;       // eased progress of the entry
    float energy;
    float AU[4];
    float aspect; // screen width / height
};

// Computes the camera for one frame into out.
void compute_camera(const camera_input& in, camera_frame* out);
// The camera's inputs for the frame the beat clock was last updated to (core/beat_clock.h)
// with the frame's audio values AU (audio/features.h), on a w x h screen.
camera_input frame_camera_input(int32_t w, int32_t h, const float AU[4]);
// The frame loop's call: the camera of those inputs, into `camera`.
void direct_camera(int32_t w, int32_t h, const float AU[4]);
// The camera before the first frame is directed: identity view, the start-up projection.
void reset_camera(int32_t w, int32_t h);

// The projection of a lens on a screen of aspect q with the kick's zoom factor.
void camera_projection(float lens, float zoom, float aspect, float out[16]);
// The look-at view matrix with up (0, 0, 1).
void look_at(const float eye[3], const float target[3], float out[16]);
