#include "render/fast_programs.h"

#include <math.h>

#include "audio/features.h"
#include "core/beat_clock.h"
#include "core/compositor.h"
#include "core/show.h"
#include "figures/figure_fast.h"
#include "looks/palette.h"
#include "render/passes.h"
#include "render/program_worker.h"
#include "render/slots.h"
#include "render/textures.h"

// Embedded from render/shaders/*_fast.*.glsl; these texts have no version line.
extern const char shader_background_fast_vert[];
extern const char shader_background_fast_frag[];
extern const char shader_cover_fast_vert[];
extern const char shader_cover_fast_frag[];
extern const char shader_post_fast_vert[];
extern const char shader_post_fast_frag[];

bool fast_programs_on = true;
bool fast_warmed_this_frame;

namespace {

enum : int { kind_background, kind_cover, kind_post };
enum : int { mask_count = 6, picture_count = 7 };

struct fast_program {
    gl_program gl;
    int p_active;
    uint8_t build_state; // program_unbuilt, _building, _built (render/program_worker.h)
    bool warm;
};
fast_program backgrounds[5];
// Without and with blending (the closing glow): one program object per state it is drawn
// with, as the driver makes its machine code per program for the first state it meets.
fast_program covers[2][mask_count][picture_count];
fast_program posts[2]; // echo, kaleidoscope

// The warm-up plan: programs in the order the show first needs them.
struct warm_entry {
    int kind, a, b; // background: style; cover: mask, picture; post: 0 echo, 1 kaleidoscope
    bool blend;
    float beat;     // the first beat that draws it
};
enum : int { warm_capacity = 2 * mask_count * picture_count + 8 };
warm_entry warm_plan[warm_capacity];
int warm_count_planned;
int warm_next;
// Set by the worker once the entry's program is built and drawn with the entry's state.
bool plan_primed[warm_capacity]; // read and written atomically

const char version_line[] = "#version 330 core\n";

GLuint build_fast(const char* defines, const char* vertex, const char* fragment) {
    const char* vs[3] = {version_line, defines, vertex};
    const char* fs[3] = {version_line, defines, fragment};
    GLuint v = glCreateShader(GL_VERTEX_SHADER);
    GLuint f = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(v, 3, vs, nullptr);
    glCompileShader(v);
    glShaderSource(f, 3, fs, nullptr);
    glCompileShader(f);
    GLuint program = glCreateProgram();
    glAttachShader(program, v);
    glAttachShader(program, f);
    glLinkProgram(program);
    return program;
}

void clear_table(gl_program& p) {
    for (GLint& l : p.loc) l = -1;
}

void build_background(int style) {
    fast_program& fp = backgrounds[style];
    char defines[32] = "#define STYLE 0\n";
    defines[14] = (char)('0' + style);
    clear_table(fp.gl);
    fp.gl.name = build_fast(defines, shader_background_fast_vert, shader_background_fast_frag);
    look_up_uniforms(fp.gl.name, fullscreen_uniform_names + background_uniform_first, background_uniform_count,
                     fp.gl.loc);
    static const char* const elements[8] = {"P[0]", "P[1]", "P[2]", "P[3]", "P[4]", "P[5]", "P[6]", "P[7]"};
    fp.p_active = 0;
    if (fp.gl.loc[bg_P] >= 0)
        while (fp.p_active < 8 &&
               glGetUniformLocation(fp.gl.name, elements[fp.p_active]) == fp.gl.loc[bg_P] + fp.p_active)
            ++fp.p_active;
}

void build_cover(int mask, int picture, bool blend) {
    fast_program& fp = covers[blend][mask][picture];
    char defines[48] = "#define MASK 0\n#define PICTURE 0\n";
    defines[13] = (char)('0' + mask);
    defines[31] = (char)('0' + picture);
    clear_table(fp.gl);
    fp.gl.name = build_fast(defines, shader_cover_fast_vert, shader_cover_fast_frag);
    look_up_uniforms(fp.gl.name, fullscreen_uniform_names + cover_uniform_first, cover_uniform_count, fp.gl.loc);
}

void build_post(int which) {
    fast_program& fp = posts[which];
    clear_table(fp.gl);
    fp.gl.name = build_fast(which == 0 ? "#define ECHO 1\n" : "#define ECHO 0\n", shader_post_fast_vert,
                            shader_post_fast_frag);
    look_up_uniforms(fp.gl.name, fullscreen_uniform_names + post_uniform_first, post_uniform_count, fp.gl.loc);
}

int background_style() {
    int style = (int)(MOOD[2] * 5.0f);
    return style >= 0 && style <= 3 ? style : 4;
}

void set1i(GLint l, int v) {
    if (l >= 0) glUniform1i(l, v);
}
void set2f(GLint l, float x, float y) {
    if (l >= 0) glUniform2f(l, x, y);
}


void add_to_plan(int kind, int a, int b, bool blend, float beat) {
    for (int i = 0; i < warm_count_planned; ++i) {
        warm_entry& e = warm_plan[i];
        if (e.kind == kind && e.a == a && e.b == b && e.blend == blend) {
            if (beat < e.beat) e.beat = beat;
            return;
        }
    }
    if (warm_count_planned < warm_capacity) warm_plan[warm_count_planned++] = {kind, a, b, blend, beat};
}

// Draws program p once into the bottom-left pixel with the GL state its pass draws with.
void warm_draw(const gl_program& p, GLuint vertex_array, int w, int h, bool blend, bool behind_scene) {
    gl_pass_state state = gl_pass(p.name, vertex_array);
    if (behind_scene) {
        state.depth_write = false;
        state.far_depth = true;
    } else {
        state.depth_test = false;
    }
    state.blend = blend ? blend_over : blend_off;
    state.scissor = true;
    state.scissor_box[2] = state.scissor_box[3] = 1;
    apply_gl_state(state);
    // R as the pass sets it (the fragment code divides by it); the rest may stay as it is
    set2f(p.loc[0], (float)w, (float)h);
    draw_fullscreen_triangle();
    apply_gl_state(gl_rest_state());
}

// The sampler units a program's pass binds its textures to, set once after the build.
void set_sampler_units(const warm_entry& e, const gl_program& p) {
    if (e.kind == kind_cover && e.b == 6) {
        use_program(p.name);
        set1i(p.loc[cover_TX], 0);
    } else if (e.kind == kind_post) {
        use_program(p.name);
        set1i(p.loc[post_S], 1);
        set1i(p.loc[post_L], 2);
    }
}

// Draws the entry's program once, with its pass's state and its textures' formats: the
// post programs sample the two screen copies on units 1 and 2, the pattern picture the
// pattern texture on unit 0.
void draw_entry(const warm_entry& e, const gl_program& p, GLuint vertex_array, int w, int h, GLuint scene_copy,
                GLuint echo_memory) {
    if (e.kind == kind_background) {
        warm_draw(p, vertex_array, w, h, false, true);
    } else if (e.kind == kind_cover) {
        if (e.b == 6) bind_texture(0, pattern_texture);
        warm_draw(p, vertex_array, w, h, e.blend, false);
    } else {
        bind_texture(1, scene_copy);
        bind_texture(2, echo_memory);
        select_texture_unit(0);
        warm_draw(p, vertex_array, w, h, false, false);
    }
}

fast_program& program_of(const warm_entry& e) {
    if (e.kind == kind_background) return backgrounds[e.a];
    if (e.kind == kind_cover) return covers[e.blend][e.a][e.b];
    return posts[e.a];
}

void build_entry(const warm_entry& e) {
    if (e.kind == kind_background)
        build_background(e.a);
    else if (e.kind == kind_cover)
        build_cover(e.a, e.b, e.blend);
    else
        build_post(e.a);
}

// Builds fp on this thread unless it is built; waits for a build another thread began.
void make_ready(const warm_entry& e) {
    fast_program& fp = program_of(e);
    if (program_state(fp.build_state) == program_built) return;
    if (take_program_build(fp.build_state)) {
        build_entry(e);
        set_sampler_units(e, fp.gl);
        publish_program(fp.build_state);
    } else {
        wait_program_built(fp.build_state);
    }
}

void warm(const warm_entry& e, int w, int h) {
    make_ready(e);
    const fast_program& fp = program_of(e);
    // the screen copies are made here when no effect has played yet, with the echo
    // restarting from the screen at its first use
    if (e.kind == kind_post) size_post_targets(w, h);
    draw_entry(e, fp.gl, fullscreen_vertex_array, w, h, compositor.scene_copy, compositor.echo_memory);
    program_of(e).warm = true;
}

bool is_warm(const warm_entry& e) { return program_of(e).warm; }

} // namespace

int fast_cover_picture(int shape) { return (shape >= 0 && shape <= 4) || shape == 6 ? shape : 5; }
int fast_cover_mask(int style) { return style >= 0 && style < 5 ? style : 5; }

const gl_program* fast_background_program(int style, int* p_active) {
    make_ready({kind_background, style, 0, false, 0.0f});
    *p_active = backgrounds[style].p_active;
    return &backgrounds[style].gl;
}

const gl_program* fast_cover_program(int mask, int picture, bool blend) {
    make_ready({kind_cover, mask, picture, blend, 0.0f});
    return &covers[blend][mask][picture].gl;
}

const gl_program* fast_post_program(int effect) {
    int which = effect == 1 ? 0 : 1;
    make_ready({kind_post, which, 0, false, 0.0f});
    return &posts[which].gl;
}

void fast_plan_programs() {
    fast_figure_plan();
    warm_count_planned = 0;
    warm_next = 0;
    for (bool& p : plan_primed) std::atomic_ref<bool>(p).store(false, std::memory_order_relaxed);
    float last_beat = (show.show_length + 0.3f - show.beat_origin) * show.beats_per_second;
    add_to_plan(kind_background, background_style(), 0, false, -1e9f);
    for (int p = 0; p < phrase_capacity; ++p) {
        float start = 32.0f * (float)p;
        if (start > last_beat) break;
        if (phrase_effect[p] != 0) add_to_plan(kind_post, phrase_effect[p] == 1 ? 0 : 1, 0, false, start);
        // a cover plays from the last beat of the phrase before (wipe-in) into its own phrase
        if (p >= 1 && p <= 94 && start - 1.0f <= last_beat)
            add_to_plan(kind_cover, fast_cover_mask(phrase_cover_style[p]), fast_cover_picture(phrase_cover_shape[p]),
                        false, start - 1.0f);
    }
    // the closing glow is drawn with blending: the cover of each phrase it meets
    if (cover_last_glow) {
        float glow_beat = (show.show_length - 14.0f - show.beat_origin) * show.beats_per_second;
        for (int p = 0; p <= 94; ++p) {
            float start = 32.0f * (float)p, end = start + 32.0f;
            if (end < glow_beat || start > last_beat) continue;
            float from = start > glow_beat ? start : glow_beat;
            add_to_plan(kind_cover, fast_cover_mask(phrase_cover_style[p]), fast_cover_picture(phrase_cover_shape[p]),
                        true, from);
            if (end - 1.0f <= last_beat && p + 1 <= 95)
                add_to_plan(kind_cover, fast_cover_mask(phrase_cover_style[p + 1]),
                            fast_cover_picture(phrase_cover_shape[p + 1]), true,
                            end - 1.0f > from ? end - 1.0f : from);
        }
    }
    // in the order they are needed (insertion sort: a few dozen entries)
    for (int i = 1; i < warm_count_planned; ++i)
        for (int j = i; j > 0 && warm_plan[j].beat < warm_plan[j - 1].beat; --j) {
            warm_entry x = warm_plan[j];
            warm_plan[j] = warm_plan[j - 1];
            warm_plan[j - 1] = x;
        }
}

bool fast_warm_step(int w, int h) {
    fast_warmed_this_frame = false;
    if (!fast_programs_on) return false;
    while (warm_next < warm_count_planned && is_warm(warm_plan[warm_next])) ++warm_next;
    if (warm_next >= warm_count_planned) return false;
    const warm_entry& e = warm_plan[warm_next];
    // A frame with a cover or an effect of its own has little time to spare: wait for a quiet
    // frame unless the program is needed within two beats.
    bool busy = post_for_frame(cue.phrase, cue.beat).effect != 0 ||
                cover_for_frame(cue.phrase, cue.beat, cue.t, show.show_length, cover_last_glow).draw;
    if (busy && e.beat > cue.beat + 2.0f && e.kind != kind_background) return false;
    // With a worker, a program is first drawn here once the worker has drawn it (its machine
    // code is then in the driver's cache), unless it is needed soon.
    bool primed = std::atomic_ref<bool>(plan_primed[warm_next]).load(std::memory_order_acquire);
    if (program_worker_expected() && !primed && e.beat > cue.beat + 2.0f && e.kind != kind_background)
        return false;
    warm(e, w, h);
    ++warm_next;
    fast_warmed_this_frame = true;
    return true;
}

void fast_prepare_programs(const std::atomic<bool>& stop, float before_beat, GLuint vertex_array,
                           GLuint scene_copy, GLuint echo_memory, int w, int h) {
    for (int i = 0; i < warm_count_planned; ++i) {
        if (stop.load(std::memory_order_relaxed)) return;
        const warm_entry& e = warm_plan[i];
        if (e.beat < 0.0f) continue; // needed by the first frame, which builds it
        if (e.beat >= before_beat) return;
        fast_program& fp = program_of(e);
        if (!take_program_build(fp.build_state)) continue;
        build_entry(e);
        set_sampler_units(e, fp.gl);
        draw_entry(e, fp.gl, vertex_array, w, h, scene_copy, echo_memory);
        glFinish();
        publish_program(fp.build_state);
        std::atomic_ref<bool>(plan_primed[i]).store(true, std::memory_order_release);
    }
}

int fast_planned_count() { return warm_count_planned; }
int fast_primed_count() {
    int n = 0;
    for (int i = 0; i < warm_count_planned; ++i)
        n += std::atomic_ref<bool>(plan_primed[i]).load(std::memory_order_acquire) ? 1 : 0;
    return n;
}
int fast_warm_count() {
    int n = 0;
    for (int i = 0; i < warm_count_planned; ++i) n += is_warm(warm_plan[i]) ? 1 : 0;
    return n;
}

void fast_background_box(int w, int h, int box[4]) {
    box[0] = 0, box[1] = 0, box[2] = w, box[3] = h;
    cover_state cover = cover_for_frame(cue.phrase, cue.beat, cue.t, show.show_length, cover_last_glow);
    post_state post = post_for_frame(cue.phrase, cue.beat);
    // Where the mask covers a pixel the cover's alpha is 1, with the closing glow as without
    // it (the glow only lifts the alpha where the mask is open): outside the box below, the
    // cover replaces every pixel. The echo keeps every pixel of the frame for the frames after it.
    if (!cover.draw || post.effect == 1) return;
    // The mask's wobble reaches 0.04 AU.x either way; a margin for the driver's sin and rounding.
    float wobble = 0.04f * audio.AU[0] * 1.01f + 0.01f;
    int mask = fast_cover_mask(cover.style);
    float k = cover.k;
    float radius; // the background can show only within this distance of the centre (units of h / 2)
    if (mask == 0)
        radius = (1.0f - k) * 1.7f + wobble;
    else if (mask == 1)
        radius = (1.0f - k) * 1.9f + wobble;
    else if (mask == 2 && 1.05f * k - wobble >= 1.0f)
        radius = -1.0f; // every diamond fills its cell
    else
        return;
    int x0 = w, y0 = h, x1 = 0, y1 = 0;
    if (radius >= 0.0f) {
        float half = 0.5f * (float)h;
        x0 = (int)floorf(0.5f * (float)w - radius * half) - 2;
        x1 = (int)ceilf(0.5f * (float)w + radius * half) + 2;
        y0 = (int)floorf(half - radius * half) - 2;
        y1 = (int)ceilf(half + radius * half) + 2;
    }
    // The kaleidoscope samples its screen copy in one wedge right and above the centre: at most
    // 0.8 of the corner distance, within 30 degrees of the horizontal.
    if (post.effect != 0) {
        float q = (float)w / (float)h;
        float corner = sqrtf(q * q + 1.0f);
        int kx0 = w / 2 - 2, ky0 = h / 2 - 2;
        int kx1 = (int)ceilf((0.5f + 0.4f * corner / q) * (float)w) + 2;
        int ky1 = (int)ceilf((0.5f + 0.2f * corner) * (float)h) + 2;
        x0 = x0 < kx0 ? x0 : kx0, y0 = y0 < ky0 ? y0 : ky0;
        x1 = x1 > kx1 ? x1 : kx1, y1 = y1 > ky1 ? y1 : ky1;
    }
    x0 = x0 < 0 ? 0 : x0, y0 = y0 < 0 ? 0 : y0;
    x1 = x1 > w ? w : x1, y1 = y1 > h ? h : y1;
    box[0] = x0, box[1] = y0;
    box[2] = x1 > x0 ? x1 - x0 : 0;
    box[3] = y1 > y0 && x1 > x0 ? y1 - y0 : 0;
    if (box[3] == 0) box[2] = 0;
}

void fast_background_pass(int w, int h) {
    int box[4];
    fast_background_box(w, h, box);
    if (box[2] == 0) return;
    int p_active = 0;
    const gl_program* p = fast_background_program(background_style(), &p_active);
    // Alpha is 1: the pixels replace the frame, with no blending, inside the box. Drawn after
    // the scene at the far depth, so the pixels the scene covers are not computed; the depth
    // buffer is left as the scene wrote it.
    gl_pass_state state = gl_pass(p->name, background_vertex_array);
    state.depth_write = false;
    state.far_depth = true;
    state.scissor = box[2] < w || box[3] < h;
    for (int i = 0; i < 4; ++i) state.scissor_box[i] = box[i];
    apply_gl_state(state);
    upload_background(*p, p_active, w, h);
    draw_fullscreen_triangle();
    apply_gl_state(gl_rest_state());
    backgrounds[background_style()].warm = true;
}

void fast_cover_pass(int w, int h) {
    cover_state cover = cover_for_frame(cue.phrase, cue.beat, cue.t, show.show_length, cover_last_glow);
    if (!cover.draw) return;
    int mask = fast_cover_mask(cover.style), picture = fast_cover_picture(cover.shape);
    // Without the glow, alpha is 0 (the fragment is discarded) or 1: blending changes nothing.
    bool blend = cover.glow != 0.0f;
    const gl_program* p = fast_cover_program(mask, picture, blend);
    gl_pass_state state = gl_pass(p->name, fullscreen_vertex_array);
    state.depth_test = false;
    state.blend = blend ? blend_over : blend_off;
    if (cover.shape == 6) state.textures[0] = pattern_texture;
    apply_gl_state(state);
    upload_cover(*p, cover, w, h);
    if (cover.shape == 6) set1i(p->loc[cover_TX], 0);
    draw_fullscreen_triangle();
    covers[blend][mask][picture].warm = true;
    if (cover.full_cover) full_cover_extras(w, h, cue.phrase, cover.b);
    apply_gl_state(gl_rest_state());
}

namespace {
bool scene_scissored;
int scene_box[4];
}

void fast_scene_scissor_begin(int w, int h) {
    scene_scissored = false;
    if (!fast_programs_on) return;
    fast_background_box(w, h, scene_box);
    if (scene_box[2] == w && scene_box[3] == h) return;
    scene_scissored = true;
}

void fast_scene_scissor_end() { scene_scissored = false; }

gl_pass_state scene_pass_state(GLuint program, GLuint vertex_array) {
    gl_pass_state state = gl_pass(program, vertex_array);
    state.scissor = scene_scissored;
    for (int i = 0; i < 4; ++i) state.scissor_box[i] = scene_box[i];
    return state;
}
