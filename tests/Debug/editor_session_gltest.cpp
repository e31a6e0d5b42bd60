// The real program under Xvfb, driven with xdotool: F11 opens the editor over a level, "New
// Entity", "CubeEntity", "Save", ESC. The saved level then loads headlessly with the new cube, and
// its other entities are unchanged.
//
// The level and the window layout are written to a temporary working directory; the repository's
// assets are not touched. The layout file puts the windows where the clicks below land: with Dear
// ImGui's default style (13-pixel font, frame padding 4 x 3, item spacing 8 x 4, window padding 8)
// a window's title bar is 19 pixels high and each row of buttons 19 pixels, 4 apart.

#include "entityCompare.h"

#include "Core/Scene/scene.h"
#include "Game/LightEntity.h"
#include "Game/WallEntity.h"
#include "Util/serialization.h"
#include "../harness/memoryFiles.h"
#include "../harness/testStores.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace editortest;
namespace fs = std::filesystem;

namespace {

// "Scene" at the top left, "New Entity" and "Save As" to its right.
const char* LAYOUT = "[Window][Scene]\nPos=0,0\nSize=300,300\nCollapsed=0\n\n"
                     "[Window][New Entity]\nPos=400,0\nSize=300,400\nCollapsed=0\n\n"
                     "[Window][Save As]\nPos=400,0\nSize=300,120\nCollapsed=0\n\n";
// Centres of the buttons, in window pixels. "Scene": its name, a separator, then "Save" first in
// the row of four, a separator, "New Entity". "New Entity": "Cancel", a separator, then one button
// per entity type in table order; CubeEntity is the third.
const int SAVE_X = 26, SAVE_Y = 58;
const int NEW_ENTITY_X = 47, NEW_ENTITY_Y = 86;
const int CUBE_ENTITY_X = 448, CUBE_ENTITY_Y = 109;
// "Save As" second in the Scene window's row; in its window the "Name" field, then "Save".
const int SAVE_AS_X = 80, SAVE_AS_Y = 58;
const int NAME_FIELD_X = 450, NAME_FIELD_Y = 36;
const int SAVE_AS_SAVE_X = 426, SAVE_AS_SAVE_Y = 60;

std::vector<u8> readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<u8>(std::istreambuf_iterator<char>(file), {});
}

std::string readText(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void run(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

void pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

class EditorSession : public testing::Test {
protected:
    vetest::TestStores stores;
    memfiles::MemoryFileSystem console;
    fs::path workdir;
    pid_t program = 0;
    int exitStatus = -2;
    std::string window;

    void SetUp() override {
        memfiles::installMemoryFileSystem(&console);
        char pattern[] = "/tmp/kestrolan-editor-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        workdir = pattern;
        fs::create_directory(workdir / "assets");
        fs::copy_file(fs::path(VE_SOURCE_DIR) / "assets" / "kestrolan.pak", workdir / "assets" / "kestrolan.pak");
        std::ofstream(workdir / "imgui.ini") << LAYOUT;
    }
    void TearDown() override {
        if (program > 0 && kill(program, 0) == 0) {
            kill(program, SIGKILL);
            waitpid(program, nullptr, 0);
        }
        fs::remove_all(workdir);
    }

    // A level of three static entities: two walls with colliders and a lamp.
    buffer writeLevel(ve::Scene* level) {
        *level = ve::createScene(name("Level 1"), 1 << 20, &stores.permanent);
        struct Placed {
            const char* name;
            MetaType type;
            ve::v3 position;
        };
        for (Placed placed : {Placed{"Floor", MetaType::game_WallEntity, {0.0f, -1.0f, 0.0f}},
                              Placed{"Back Wall", MetaType::game_WallEntity, {0.0f, 2.0f, -6.0f}},
                              Placed{"Lamp", MetaType::game_LightEntity, {0.0f, 3.0f, -2.0f}}}) {
            ve::Entity* entity = ve::createEntity(level, placed.type, name(placed.name));
            auto* opts = (ve::BodyOpts*)entity->entityData.data;
            opts->position = placed.position;
            opts->rotation = ve::iMat3();
            opts->flags.value = (u32)ve::BodyType::Static;
            opts->collisionMask = 0xFFFF;
            if (placed.type != MetaType::game_WallEntity) continue;
            auto* collider = (ve::Primitive*)ve::pushToHeap(&level->sceneDataHeap, sizeof(ve::Primitive));
            *collider = {};
            collider->localTransform = ve::iMat4();
            collider->cuboid.scale = ve::v3{10.0f, 1.0f, 10.0f};
            opts->colliders = collider;
            opts->colliderCount = 1;
        }
        return ve::serializeScene(level, &stores.tmp);
    }

    // `slowFrames`: the software rasteriser on one thread, a few frames a second.
    void startProgram(bool slowFrames = false) {
        fs::path binary = fs::path(VE_BINARY_DIR) / "kestrolan";
        program = fork();
        ASSERT_GE(program, 0);
        if (program == 0) {
            if (slowFrames) setenv("LP_NUM_THREADS", "1", 1);
            if (chdir(workdir.c_str()) != 0 || !freopen("program.log", "w", stdout) || dup2(1, 2) < 0) _exit(127);
            execl(binary.c_str(), binary.c_str(), (char*)nullptr);
            _exit(127);
        }
        for (int i = 0; i < 600 && readText(workdir / "program.log").find("FPS: ") == std::string::npos; i++) pause(100);
        ASSERT_NE(readText(workdir / "program.log").find("FPS: "), std::string::npos) << "no frames within 60 s:\n" << readText(workdir / "program.log");
        // A loaded machine may not have shown the window by the first frame-rate line: asked again
        // while frames run.
        window.clear();
        for (int i = 0; i < 600 && window.empty(); i++) {
            FILE* search = popen("xdotool search --name '^Kestrolan$' 2>/dev/null | head -1", "r");
            ASSERT_NE(search, nullptr);
            char id[64] = {};
            if (fgets(id, sizeof(id), search)) window = std::string(id, strcspn(id, "\n"));
            pclose(search);
            if (window.empty()) pause(100);
        }
        ASSERT_FALSE(window.empty()) << "the window never reached the X server:\n" << readText(workdir / "program.log");
        run("xdotool windowfocus --sync " + window);
    }

    // The program's "FPS: <n> " lines so far, and the frames they count.
    struct FrameCount {
        int lines = 0, frames = 0;
    };
    FrameCount frameCount() {
        FrameCount count;
        std::istringstream log(readText(workdir / "program.log"));
        for (std::string line; std::getline(log, line);) {
            int frames = 0;
            if (sscanf(line.c_str(), "FPS: %d", &frames) != 1) continue;
            count.lines++;
            count.frames += frames;
        }
        return count;
    }

    // Returns once at least `frames` more frames have been drawn, whatever the machine's load. The
    // first rate line may count frames from before the call, so one more line than needed is
    // awaited; only a minute without any line (one comes each second, or each slower frame) fails.
    void waitFrames(int frames) {
        FrameCount start = frameCount(), seen = start;
        for (int polls = 0; polls < 600; polls++) {
            pause(100);
            FrameCount now = frameCount();
            if (now.lines > start.lines + 1 && now.frames - start.frames >= frames) return;
            ASSERT_TRUE(programRunning()) << "the program ended";
            if (now.lines > seen.lines) seen = now, polls = 0;
        }
        FAIL() << "no frame drawn in a minute";
    }

    // Down for a drawn frame and up for the next: the program sees one press at any frame rate.
    void key(const char* name) {
        run(std::string("xdotool keydown ") + name);
        waitFrames(1);
        run(std::string("xdotool keyup ") + name);
        waitFrames(1);
    }

    // The pointer rests for a frame before the button goes down, and the button is held for one.
    void clickAt(int x, int y) {
        run("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y));
        waitFrames(1);
        run("xdotool mousedown 1");
        waitFrames(1);
        run("xdotool mouseup 1");
        waitFrames(1);
    }

    // Reaps the program once it has ended, keeping its exit status for `waitForExit`.
    bool programRunning() {
        int status = 0;
        if (program <= 0) return false;
        if (waitpid(program, &status, WNOHANG) != program) return true;
        program = 0;
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return false;
    }

    // The exit status, once the program has ended (within a minute: a loaded machine may take a
    // few seconds for the frame that sees ESC).
    int waitForExit() {
        if (program == 0) return exitStatus;
        for (int i = 0; i < 600; i++) {
            int status = 0;
            if (waitpid(program, &status, WNOHANG) == program) {
                program = 0;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            pause(100);
        }
        return -2;
    }
};

TEST_F(EditorSession, ANewCubeSavedFromTheEditorLoadsWithTheLevelUnchanged) {
    ve::Scene level;
    buffer image = writeLevel(&level);
    ASSERT_NE(image.data, nullptr);
    std::ofstream(workdir / "assets" / "Level 1.vsf", std::ios::binary).write((const char*)image.data, image.length);

    startProgram();
    key("F11");
    clickAt(NEW_ENTITY_X, NEW_ENTITY_Y);
    clickAt(CUBE_ENTITY_X, CUBE_ENTITY_Y);
    clickAt(SAVE_X, SAVE_Y);
    // The program ends in the frame that sees ESC: no frame follows to wait for.
    run("xdotool keydown Escape");
    EXPECT_EQ(waitForExit(), 0);
    // The display outlives the program: a key left down would greet the next one.
    run("xdotool keyup Escape");
    std::string log = readText(workdir / "program.log");
    EXPECT_EQ(log.find("ASSERTION FAILED"), std::string::npos) << log;
    // Dear ImGui's back end draws through the same context as the renderer, with its debug output.
    EXPECT_EQ(log.find("severity = High"), std::string::npos) << log;

    std::vector<u8> saved = readFile(workdir / "assets" / "Level 1.vsf");
    ve::Scene loaded;
    ve::SceneLoadReport report = ve::readSceneImage(&loaded, name("Level 1"), {saved.size(), saved.data()}, &stores.permanent);
    ASSERT_TRUE(!report.failure && !report.damagedRecords) << log;
    ASSERT_EQ(loaded.entities.length, 4u) << log;
    Comparer comparer;
    for (msi i = 0; i < 3; i++) {
        ve::Entity* original = (ve::Entity*)level.entities[i];
        ve::Entity* copy = (ve::Entity*)loaded.entities[i];
        EXPECT_EQ(text(copy->name), text(original->name));
        EXPECT_EQ(copy->type, original->type);
        comparer.compareStruct(original->type->metaData, original->entityData.data, copy->entityData.data,
                               text(original->name));
    }
    ve::Entity* cube = (ve::Entity*)loaded.entities[3];
    EXPECT_EQ(text(cube->name), "New CubeEntity");
    EXPECT_EQ(cube->type->metaData->type, MetaType::game_CubeEntity);
}

// At a few frames a second, a name typed faster than frames (a dozen letters per frame, some twice)
// after Ctrl+A arrives whole; ESC in the field cancels the edit and the program runs on, and ESC
// outside it quits.
TEST_F(EditorSession, ANameTypedFasterThanFramesArrivesWholeAndEscapeInAFieldDoesNotQuit) {
    ve::Scene level;
    buffer image = writeLevel(&level);
    ASSERT_NE(image.data, nullptr);
    std::ofstream(workdir / "assets" / "Level 1.vsf", std::ios::binary).write((const char*)image.data, image.length);
    const std::string NAME = "kestrolanchamber";
    ASSERT_EQ(NAME.size(), 16u);

    startProgram(true);
    key("F11");
    clickAt(SAVE_AS_X, SAVE_AS_Y);
    clickAt(NAME_FIELD_X, NAME_FIELD_Y);
    run("xdotool key ctrl+a type --delay 15 " + NAME);
    waitFrames(2);
    clickAt(SAVE_AS_SAVE_X, SAVE_AS_SAVE_Y);
    EXPECT_TRUE(fs::exists(workdir / "assets" / (NAME + ".vsf"))) << readText(workdir / "program.log");

    clickAt(SAVE_AS_X, SAVE_AS_Y);
    clickAt(NAME_FIELD_X, NAME_FIELD_Y);
    run("xdotool type --delay 15 x");
    key("Escape");
    waitFrames(4);
    ASSERT_TRUE(programRunning()) << "ESC in the field ended the program";
    clickAt(SAVE_AS_SAVE_X, SAVE_AS_SAVE_Y);
    long sceneFiles = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(workdir / "assets"))
        sceneFiles += entry.path().extension() == ".vsf";
    EXPECT_EQ(sceneFiles, 2) << "the cancelled edit was saved under another name";
    run("xdotool key Escape");
    EXPECT_EQ(waitForExit(), 0);
    std::string log = readText(workdir / "program.log");
    EXPECT_EQ(log.find("ASSERTION FAILED"), std::string::npos) << log;
}

} // namespace
