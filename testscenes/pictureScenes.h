#pragma once
// The two scenes whose whole pictures are stored and compared: the fixed scene of the golden image
// and the furnished room. Both bring their own sky; the one drawn is chosen per frame. Needs a
// current GL context and a built renderer.

#include "furnished_room.h"
#include "pipeline_scene.h"

#include <string>
#include <vector>

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

// Every texture the two scenes upload (the sky faces go through the cube map instead).
inline std::vector<ve::Texture*> uploadedTextures(Scenes* scenes) {
    pipescene::SceneAssets* g = &scenes->golden;
    furnished::RoomAssets* r = &scenes->room;
    std::vector<pipescene::OwnedTexture*> owned = {
        &g->white,  &g->red,     &g->blue,     &g->glyph,      &g->checker,      &g->halfRed,
        &g->halfBlue, &g->glow,  &r->ground,   &r->groundEmission, &r->cubeTexture, &r->cubeEmission,
        &r->button, &r->buttonEmission, &r->gold, &r->black,   &r->elevator,     &r->elevatorEmission,
        &r->lamp,   &r->lampEmission, &r->cable, &r->cableEmission, &r->energy,   &r->font};
    std::vector<ve::Texture*> textures;
    for (pipescene::OwnedTexture* texture : owned) textures.push_back(&texture->texture);
    return textures;
}

// Where the scene's whole picture, as the pipeline drew it before it was made faster, is stored.
inline std::string storedPicturePath(Scene scene) {
    return std::string(VE_SOURCE_DIR) + "/tests/Renderer/golden/" + sceneNames[scene] + "_full.png";
}

} // namespace picturescenes
