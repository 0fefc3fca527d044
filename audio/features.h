// Per-frame audio values from the feature list (or a synthetic pulse) and the easing curve.
#pragma once

struct audio_frame {
    float time; // show time of the frame
    float beat; // (time - beat_origin) * beats_per_second, not wrapped
    float AU[4];
};
extern audio_frame audio;

void update_audio_features(float t);
float ease_elastic(float x);
