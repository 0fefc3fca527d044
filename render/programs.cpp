#include "render/programs.h"

#include "render/gl_state.h"

#include "core/compositor.h"
#include "render/shader_sources.h"

const char* const fullscreen_uniform_names[fullscreen_uniform_count] = {
    // post
    "R", "T", "B", "AU", "S", "L", "E", "K",
    // background
    "R", "t", "beat", "cue", "sinceCue", "P", "COL", "BELOW", "LAST", "PL", "AU", "MOOD",
    // cover
    "R", "T", "B", "AU", "PL", "K", "S", "F", "M", "Z", "TX",
};

static const char* const sprite_uniform_names[3] = {"M", "P", "T"};
static const char* const vertex_colour_uniform_names[1] = {"MVP"};
static const char background_version[] = "#version 330 core\n";

gl_program background_program;
gl_program cover_program;
gl_program post_program;
gl_program sprite_program;
gl_program vertex_colour_program;
gl_program figure_program;
GLint figure_uniforms_second[10];

int background_p_active;
GLuint background_vertex_array;
GLuint fullscreen_vertex_array;
GLuint sprite_quad_buffer;
GLuint sprite_quad_vertex_array;

GLuint sprite_textures[sprite_image_count];
int32_t sprite_widths[sprite_image_count];
int32_t sprite_heights[sprite_image_count];
float sprite_palettes[sprite_image_count][16][3];

GLuint build_program(const char* vertex_source, int fragment_count, const char* const* fragment_sources) {
    GLuint vs = glCreateShader(GL_VERTEX_SHADER);
    GLuint fs = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(vs, 1, &vertex_source, nullptr);
    glCompileShader(vs);
    glShaderSource(fs, fragment_count, fragment_sources, nullptr);
    glCompileShader(fs);
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    return program;
}

void look_up_uniforms(GLuint program, const char* const* names, int count, GLint* table) {
    for (int i = 0; i < count; ++i) table[i] = glGetUniformLocation(program, names[i]);
}

static void clear_table(gl_program& p) {
    for (GLint& l : p.loc) l = -1;
}

void build_background_program() {
    const char* fragment[2] = {background_version, shader_background_frag};
    clear_table(background_program);
    background_program.name = build_program(shader_fullscreen_vert, 2, fragment);
    look_up_uniforms(background_program.name, fullscreen_uniform_names + background_uniform_first,
                     background_uniform_count, background_program.loc);
    static const char* const elements[8] = {"P[0]", "P[1]", "P[2]", "P[3]", "P[4]", "P[5]", "P[6]", "P[7]"};
    background_p_active = 0;
    if (background_program.loc[bg_P] >= 0)
        while (background_p_active < 8 &&
               glGetUniformLocation(background_program.name, elements[background_p_active]) ==
                   background_program.loc[bg_P] + background_p_active)
            ++background_p_active;
    glGenVertexArrays(1, &background_vertex_array);
}

void build_cover_program() {
    const char* fragment = shader_cover_frag;
    clear_table(cover_program);
    cover_program.name = build_program(shader_fullscreen_vert, 1, &fragment);
    look_up_uniforms(cover_program.name, fullscreen_uniform_names + cover_uniform_first, cover_uniform_count,
                     cover_program.loc);
    glGenVertexArrays(1, &fullscreen_vertex_array);
}

void build_post_program() {
    const char* fragment = shader_post_frag;
    clear_table(post_program);
    post_program.name = build_program(shader_fullscreen_vert, 1, &fragment);
    look_up_uniforms(post_program.name, fullscreen_uniform_names + post_uniform_first, post_uniform_count,
                     post_program.loc);
}

void build_sprite_program() {
    const char* fragment = shader_sprite_frag;
    clear_table(sprite_program);
    sprite_program.name = build_program(shader_sprite_vert, 1, &fragment);
    look_up_uniforms(sprite_program.name, sprite_uniform_names, 3, sprite_program.loc);

    // Two triangles of a unit square centred on the origin.
    static const float quad[12] = {-0.5f, -0.5f, 0.5f, -0.5f, 0.5f, 0.5f, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f, 0.5f};
    glGenVertexArrays(1, &sprite_quad_vertex_array);
    use_vertex_array(sprite_quad_vertex_array);
    glGenBuffers(1, &sprite_quad_buffer);
    glBindBuffer(GL_ARRAY_BUFFER, sprite_quad_buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(0);
}

void build_vertex_colour_program() {
    const char* fragment = shader_vertex_colour_frag;
    clear_table(vertex_colour_program);
    vertex_colour_program.name = build_program(shader_vertex_colour_vert, 1, &fragment);
    look_up_uniforms(vertex_colour_program.name, vertex_colour_uniform_names, 1, vertex_colour_program.loc);
}

void draw_fullscreen_triangle() { glDrawArrays(GL_TRIANGLES, 0, 3); }

void draw_sprite(int image, const float matrix[16]) {
    glUniformMatrix4fv(sprite_program.loc[sprite_M], 1, GL_FALSE, matrix);
    glUniform3fv(sprite_program.loc[sprite_P], 16, &sprite_palettes[image][0][0]);
    bind_texture(0, sprite_textures[image]);
    glDrawArrays(GL_TRIANGLES, 0, 6);
}

void place_sprite(int image, float x, float y, float scale, float angle, float aspect) {
    float m[16];
    sprite_model_matrix(sprite_widths[image], sprite_heights[image], x, y, scale, angle, aspect, m);
    draw_sprite(image, m);
}

void create_render_target(GLuint* name, int width, int height) {
    if (*name == 0) glGenTextures(1, name);
    bind_texture_here(*name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}
