// The passes' GL state (render/gl_state.h): every part a declaration names reaches GL, the
// rest state undoes a pass's, and within a frame a call that would change nothing is skipped
// while outside one everything is issued.
#include <gtest/gtest.h>

#include "gl_fixture.h"
#include "render/gl_state.h"
#include "render/programs.h"

namespace {

GLint get(GLenum what) {
    GLint v = 0;
    glGetIntegerv(what, &v);
    return v;
}

GLuint bound_on(int unit) {
    GLint active = get(GL_ACTIVE_TEXTURE);
    glActiveTexture(GL_TEXTURE0 + unit);
    GLuint t = (GLuint)get(GL_TEXTURE_BINDING_2D);
    glActiveTexture((GLenum)active);
    return t;
}

GLuint new_texture() {
    GLuint t = 0;
    glGenTextures(1, &t);
    return t;
}

// A state that differs from the rest state in every part.
gl_pass_state every_part(GLuint texture) {
    gl_pass_state s = gl_pass(sprite_program.name, sprite_quad_vertex_array);
    s.depth_test = false;
    s.depth_write = false;
    s.blend = blend_premultiplied;
    s.cull_faces = true;
    s.scissor = true;
    s.scissor_box[0] = 3, s.scissor_box[1] = 4, s.scissor_box[2] = 5, s.scissor_box[3] = 6;
    s.textures[1] = texture;
    s.active_unit = 2;
    return s;
}

} // namespace

TEST(GlState, EveryDeclaredPartReachesGlAndTheRestStateUndoesIt) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    GLuint t = new_texture();
    apply_gl_state(every_part(t));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(get(GL_DEPTH_WRITEMASK), GL_FALSE);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(get(GL_BLEND_SRC_RGB), GL_ONE);
    EXPECT_EQ(get(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    GLint box[4];
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[0], 3);
    EXPECT_EQ(box[1], 4);
    EXPECT_EQ(box[2], 5);
    EXPECT_EQ(box[3], 6);
    EXPECT_EQ((GLuint)get(GL_CURRENT_PROGRAM), sprite_program.name);
    EXPECT_EQ((GLuint)get(GL_VERTEX_ARRAY_BINDING), sprite_quad_vertex_array);
    EXPECT_EQ(bound_on(1), t);
    EXPECT_EQ(get(GL_ACTIVE_TEXTURE), GL_TEXTURE2);

    apply_gl_state(gl_rest_state());
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(get(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_EQ(get(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    // kept: the program, the vertex array and the textures
    EXPECT_EQ((GLuint)get(GL_CURRENT_PROGRAM), sprite_program.name);
    EXPECT_EQ((GLuint)get(GL_VERTEX_ARRAY_BINDING), sprite_quad_vertex_array);
    EXPECT_EQ(bound_on(1), t);
    glDeleteTextures(1, &t);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(GlState, WithinAFrameOnlyWhatDiffersIsSet) {
    ASSERT_TRUE(gl_ready()) << gl_why_not();
    GLuint t1 = new_texture(), t2 = new_texture();
    gl_state_frame_begin();
    gl_pass_state s = every_part(t1);
    apply_gl_state(s);
    // Changed behind the module's back, then declared again: the module believes it holds.
    glDisable(GL_CULL_FACE);
    apply_gl_state(s);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE)) << "an unchanged part is not set again";
    // What does differ is set: the box alone, the blend function alone.
    s.scissor_box[2] = 9;
    s.blend = blend_over;
    apply_gl_state(s);
    GLint box[4];
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[2], 9);
    EXPECT_EQ(get(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
    // Blending off and on again with the other function.
    s.blend = blend_off;
    apply_gl_state(s);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    s.blend = blend_premultiplied;
    apply_gl_state(s);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(get(GL_BLEND_SRC_RGB), GL_ONE);
    // A bind that changes nothing still leaves its unit active.
    bind_texture(2, t2);
    bind_texture(1, t1);
    EXPECT_EQ(get(GL_ACTIVE_TEXTURE), GL_TEXTURE1);
    EXPECT_EQ(bound_on(1), t1);
    EXPECT_EQ(bound_on(2), t2);
    gl_state_frame_end();

    // Outside a frame nothing is known: the same declaration sets every part again.
    s.cull_faces = true;
    glDisable(GL_CULL_FACE);
    apply_gl_state(s);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    // A new frame forgets what the last one knew.
    glDisable(GL_CULL_FACE);
    gl_state_frame_begin();
    apply_gl_state(s);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    apply_gl_state(gl_rest_state());
    gl_state_frame_end();
    glDeleteTextures(1, &t1);
    glDeleteTextures(1, &t2);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
