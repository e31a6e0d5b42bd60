#pragma once
// The two scenes whose whole pictures are stored and compared: the fixed scene of the golden image
// and the furnished room. Both bring their own sky; the one drawn is chosen per frame. Needs a
// current GL context and a built renderer.

#include "furnished_room.h"
#include "pipeline_scene.h"

#include <string>

namespace picturescenes {

enum Scene { GOLDEN_SCENE, FURNISHED_ROOM, SCENE_COUNT };
inline const char* const sceneNames[SCENE_COUNT] = {"golden", "room"};

struct Scenes {
    pipescene::SceneAssets golden;
    furnished::RoomAssets room;
    furnished::TextBuffer text;
    u32 skies[SCENE_COUNT];
};

inline void uploadScenes(Scenes* scenes) {
    pipescene::uploadSceneAssets(&scenes->golden);
    scenes->skies[GOLDEN_SCENE] = ve::rendererState->skyBox.id;
    furnished::uploadRoomAssets(&scenes->room);
    scenes->skies[FURNISHED_ROOM] = ve::rendererState->skyBox.id;
    scenes->text = furnished::createTextBuffer();
}

// A fresh frame of `scene`, its sky made current.
inline ve::RenderFrame fillScene(Scenes* scenes, Scene scene) {
    ve::RenderFrame frame = ve::rendererCreateFrame();
    ve::rendererState->skyBox.id = scenes->skies[scene];
    if (scene == GOLDEN_SCENE) {
        pipescene::fillFixedScene(&frame, &scenes->golden);
    } else {
        furnished::fillRoom(&frame, &scenes->room, scenes->text);
    }
    return frame;
}

// Where the scene's whole picture, as the pipeline drew it before it was made faster, is stored.
inline std::string storedPicturePath(Scene scene) {
    return std::string(VE_SOURCE_DIR) + "/tests/Renderer/golden/" + sceneNames[scene] + "_full.png";
}

} // namespace picturescenes
