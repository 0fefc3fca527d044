// Instruments (synthesiser patches) of the default show's music: keys, bells, pads, plucks,
// basses, leads and stabs. Cutoffs and filter envelopes in Hz.
#pragma once
#include "data/music/synth.h"

namespace music {

patch electric_piano();
patch bell();
patch pad(float cutoff);
patch pluck(float cutoff, float env);
patch round_bass();
patch sub_bass();
patch synth_bass(float cutoff, float env);
patch acid_bass(float env);
patch saw_lead(float cutoff);
patch square_lead(float cutoff);
patch glass_lead();
patch stab(float cutoff, float env);
patch guitar(); // distorted power chords

} // namespace music
