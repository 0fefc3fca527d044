// The renderer table every build hands the player sequence (player/player.h): the GL set-up
// before and after the seeded choices and the frame, all from render/render.h.
#pragma once

struct renderer;

extern const renderer gl_renderer;
