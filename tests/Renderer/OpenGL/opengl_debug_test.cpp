// The debug-output callback's lines and the streams they go to. The callback is a plain function
// of GL enums, so it is exercised here without a context.

#include <gtest/gtest.h>

#include <string>

#include "Renderer/OpenGL/opengl_renderer.h"

namespace {

struct Printed {
    std::string out;
    std::string err;
};

Printed callWithMessage(GLenum source, GLenum type, GLenum severity, const char* message) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ve::MessageCallback(source, type, 7, severity, -1, message, nullptr);
    fflush(stdout);
    fflush(stderr);
    Printed printed;
    printed.out = testing::internal::GetCapturedStdout();
    printed.err = testing::internal::GetCapturedStderr();
    return printed;
}

} // namespace

TEST(OpenGLDebugMessages, NotificationsPrintNothing) {
    Printed printed = callWithMessage(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_OTHER,
                                      GL_DEBUG_SEVERITY_NOTIFICATION, "buffer detailed info");
    EXPECT_EQ(printed.out, "");
    EXPECT_EQ(printed.err, "");
}

TEST(OpenGLDebugMessages, ALowSeverityPerformanceMessageFromTheApiIsOneLineOnStandardOutput) {
    Printed printed = callWithMessage(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_PERFORMANCE,
                                      GL_DEBUG_SEVERITY_LOW, "slow path taken");
    EXPECT_EQ(printed.out,
              "GL CALLBACK: slow path taken source = API, type = Performance, severity = Low\n");
    EXPECT_EQ(printed.err, "");
}

TEST(OpenGLDebugMessages, HighAndMediumSeverityGoToStandardError) {
    const struct {
        GLenum severity;
        const char* name;
    } cases[] = {{GL_DEBUG_SEVERITY_HIGH, "High"}, {GL_DEBUG_SEVERITY_MEDIUM, "Medium"}};
    for (const auto& c : cases) {
        Printed printed = callWithMessage(GL_DEBUG_SOURCE_SHADER_COMPILER, GL_DEBUG_TYPE_ERROR,
                                          c.severity, "bad");
        EXPECT_EQ(printed.out, "") << c.name;
        EXPECT_EQ(printed.err, std::string("GL CALLBACK: bad source = Shader Compiler, type = "
                                           "Error, severity = ") +
                                   c.name + "\n");
    }
}

TEST(OpenGLDebugMessages, SourcesAndTypesAreNamedAndUnknownValuesSayUnknown) {
    const struct {
        GLenum source;
        const char* name;
    } sources[] = {{GL_DEBUG_SOURCE_API, "API"},
                   {GL_DEBUG_SOURCE_WINDOW_SYSTEM, "Window System"},
                   {GL_DEBUG_SOURCE_SHADER_COMPILER, "Shader Compiler"},
                   {GL_DEBUG_SOURCE_APPLICATION, "Application"},
                   {GL_DEBUG_SOURCE_OTHER, "Other"},
                   {GL_DEBUG_SOURCE_THIRD_PARTY, "Unknown"},
                   {0x1234, "Unknown"}};
    for (const auto& s : sources) {
        Printed printed = callWithMessage(s.source, GL_DEBUG_TYPE_OTHER, GL_DEBUG_SEVERITY_LOW, "m");
        EXPECT_EQ(printed.out, std::string("GL CALLBACK: m source = ") + s.name +
                                   ", type = Other, severity = Low\n");
    }
    const struct {
        GLenum type;
        const char* name;
    } types[] = {{GL_DEBUG_TYPE_ERROR, "Error"},
                 {GL_DEBUG_TYPE_DEPRECATED_BEHAVIOR, "Deprecated Behavior"},
                 {GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR, "Undefined Behavior"},
                 {GL_DEBUG_TYPE_PERFORMANCE, "Performance"},
                 {GL_DEBUG_TYPE_OTHER, "Other"},
                 {GL_DEBUG_TYPE_PORTABILITY, "Unknown"},
                 {GL_DEBUG_TYPE_MARKER, "Unknown"}};
    for (const auto& t : types) {
        Printed printed =
            callWithMessage(GL_DEBUG_SOURCE_APPLICATION, t.type, GL_DEBUG_SEVERITY_LOW, "m");
        EXPECT_EQ(printed.out, std::string("GL CALLBACK: m source = Application, type = ") +
                                   t.name + ", severity = Low\n");
    }
}

TEST(OpenGLDebugMessages, AnUnknownSeverityIsTreatedLikeANotification) {
    Printed printed = callWithMessage(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_ERROR, 0x4321, "odd");
    EXPECT_EQ(printed.out + printed.err, "");
}
