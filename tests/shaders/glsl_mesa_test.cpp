// The GLSL shaders run on Mesa's software rasteriser (llvmpipe) in an
// off-screen EGL context, their values read back as floats and held to the
// renderer's: random compositions of every type, with seeds and nesting,
// flat and seamless, at 256 x 256.
#include "layers/composition.h"
#include "layers/layertypetable.h"
#include "layers/saturate.h"
#include "layers/treewalk.h"
#include "layers/viewresize.h"
#include "imageoutput/imagerender.h"
#include "shaders/glslsource.h"
#include "../unit/randomcomposition.h"

#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int side = 256;

// A GL 3.3 core context of llvmpipe without a window, and a 256 x 256
// framebuffer of 32-bit floats to draw into.
class Llvmpipe {
public:
    Llvmpipe()
    {
        // The software rasteriser whatever GPU the machine has.
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        setenv("GALLIUM_DRIVER", "llvmpipe", 1);
        const auto platformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!platformDisplay) return;
        display = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API)) return;
        const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
        context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
        if (context == EGL_NO_CONTEXT || !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) return;
        GLuint texture = 0, framebuffer = 0, vertices = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, side, side, 0, GL_RED, GL_FLOAT, nullptr);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        glGenVertexArrays(1, &vertices);
        glBindVertexArray(vertices);
        glViewport(0, 0, side, side);
        ready = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    }
    ~Llvmpipe()
    {
        if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
        if (display != EGL_NO_DISPLAY) eglTerminate(display);
    }

    // The values shader source gives for every pixel, the top row first as
    // a render's; empty with the compiler's log in *log when it fails.
    std::vector<float> values(const std::string& source, std::string* log)
    {
        const std::string main = "out float value;\nvoid main()\n{\n    value = patternlens(floor(gl_FragCoord.xy), "
                                 "vec2(" + std::to_string(side) + ".0));\n}\n";
        const GLuint vertex = compile(GL_VERTEX_SHADER,
                                      "#version 330 core\nvoid main()\n{\n"
                                      "    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));\n"
                                      "    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);\n}\n",
                                      log);
        const GLuint fragment = compile(GL_FRAGMENT_SHADER, source + main, log);
        if (!vertex || !fragment) return {};
        const GLuint program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        std::vector<float> out;
        if (linked) {
            glUseProgram(program);
            glDrawArrays(GL_TRIANGLES, 0, 3);
            std::vector<float> rows(static_cast<std::size_t>(side) * side);
            glReadPixels(0, 0, side, side, GL_RED, GL_FLOAT, rows.data());
            out.resize(rows.size());
            for (int r = 0; r < side; ++r)
                std::memcpy(&out[static_cast<std::size_t>(side - 1 - r) * side], &rows[static_cast<std::size_t>(r) * side],
                            side * sizeof(float));
        } else {
            char text[4096] = {};
            glGetProgramInfoLog(program, sizeof text, nullptr, text);
            *log = text;
        }
        glDeleteProgram(program);
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        return out;
    }

    bool ready = false;
    std::string renderer;

private:
    static GLuint compile(GLenum type, const std::string& text, std::string* log)
    {
        const GLuint shader = glCreateShader(type);
        const char* source = text.c_str();
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        GLint compiled = 0;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
        if (compiled) return shader;
        char text2[4096] = {};
        glGetShaderInfoLog(shader, sizeof text2, nullptr, text2);
        *log = text2;
        glDeleteShader(shader);
        return 0;
    }

    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
};

// A composition whose base layer has the given type, its variables driven
// at random by random trees, every layer with a random seed half the time.
Composition randomComposition(unsigned seed, int baseType, bool seamless)
{
    RandomComposition random(seed);
    std::unique_ptr<Renderable> base(createLayer(baseType));
    base->setView(random.uniform(-1e3f, 1e3f), random.uniform(-1e3f, 1e3f), random.uniform(0.5f, 60.0f),
                  random.uniform(0.5f, 60.0f));
    base->inverse = random.pick(0, 1) == 1;
    for (int i = 0; i < base->variableCount; ++i) {
        if (random.pick(0, 2) > 0) base->attachInput(i, random.make(2));
        else base->variables[i].overrideValue = random.uniform(base->variables[i].minValue, base->variables[i].maxValue);
    }
    treewalk::forEach(base.get(), [&random](Renderable& layer, int) {
        layer.seed = random.pick(0, 1) ? static_cast<std::uint32_t>(random.rng()) : 0u;
    });
    SceneSettings settings;
    settings.seamless = seamless;
    Composition composition(std::move(base), settings);
    viewresize::resizeKeepingView(*composition.tree, side, side);
    return composition;
}

struct Tally {
    long long pixels = 0, sameFloats = 0, sameBytes = 0;
    void add(const std::vector<float>& expected, const std::vector<float>& got)
    {
        for (std::size_t k = 0; k < expected.size(); ++k) {
            ++pixels;
            const bool bothNaN = expected[k] != expected[k] && got[k] != got[k];
            if (bothNaN || std::memcmp(&expected[k], &got[k], sizeof(float)) == 0) ++sameFloats;
            if (greyByte(expected[k]) == greyByte(got[k])) ++sameBytes;
        }
    }
    double byteShare() const { return pixels ? static_cast<double>(sameBytes) / pixels : 0; }
    double floatShare() const { return pixels ? static_cast<double>(sameFloats) / pixels : 0; }
};

TEST(GlslOnMesa, RandomCompositionsGiveTheRenderersValues)
{
    Llvmpipe gl;
    ASSERT_TRUE(gl.ready) << "no off-screen GL 3.3 context (EGL surfaceless, llvmpipe): scripts/install-deps.sh";
    EXPECT_NE(gl.renderer.find("llvmpipe"), std::string::npos) << gl.renderer;
    Tally flat, seamless;
    const int compositions = 24;
    for (int n = 0; n < compositions; ++n) {
        // Every type at the base, flat and seamless.
        const bool wrap = n / LayerTypeTable::count % 2 == 1;
        const Composition composition = randomComposition(1000 + n, n % LayerTypeTable::count, wrap);
        std::vector<float> expected(static_cast<std::size_t>(side) * side);
        ASSERT_EQ(imagewriter::renderToMemory(*composition.tree, imagewriter::Samples::float32, expected.data(),
                                              side * sizeof(float)),
                  "");
        std::string log;
        const std::vector<float> got = gl.values(glslsource::source(*composition.tree, {}), &log);
        ASSERT_EQ(got.size(), expected.size()) << "composition " << n << ":\n" << log;
        Tally one;
        one.add(expected, got);
        (wrap ? seamless : flat).add(expected, got);
        std::printf("composition %2d (%s, %s): %.4f%% of values bit-exact, %.4f%% of bytes equal\n", n,
                    LayerTypeTable::names[composition.tree->typeId], wrap ? "seamless" : "flat",
                    100 * one.floatShare(), 100 * one.byteShare());
    }
    std::printf("flat: %.5f%% of values bit-exact, %.5f%% of bytes equal\n", 100 * flat.floatShare(),
                100 * flat.byteShare());
    std::printf("seamless: %.5f%% of values bit-exact, %.5f%% of bytes equal\n", 100 * seamless.floatShare(),
                100 * seamless.byteShare());
    EXPECT_GE(flat.byteShare(), 0.9999);
    EXPECT_GE(seamless.byteShare(), 0.99);
}

} // namespace
