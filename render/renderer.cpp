#include "render/renderer.h"

#include "player/player.h"
#include "render/render.h"

// Constant-initialised: the Windows player has no C runtime start-up to run constructors.
const renderer gl_renderer = {render_init_early, render_startup_hooks, render_init_late, render_frame};
