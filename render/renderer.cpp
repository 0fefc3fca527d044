#include "render/renderer.h"

#include "player/player.h"
#include "render/passes.h"
#include "render/program_worker.h"
#include "render/render.h"

static void set_closing_glow(bool on) { cover_last_glow = on; }

// Constant-initialised: the Windows player has no C runtime start-up to run constructors.
const renderer gl_renderer = {render_init_early,     render_startup_hooks, render_init_late,
                              render_frame,          set_closing_glow,     program_worker_expect,
                              program_worker_run,    program_worker_failed, program_worker_stop};
