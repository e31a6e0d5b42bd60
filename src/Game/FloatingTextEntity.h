#pragma once
// The floating text entity: text drawn into an off-screen buffer and shown as a billboard.

#include "Core/Scene/sceneDef.h"
#include "Math/v3.h"

namespace game {

struct FloatingTextEntity {
    ve::v3 position;
    ve::EntityRef hudEntity;
    string text;
    u32 fbo;      // off-screen frame buffer, created by init
    u32 colorBuf; // its colour texture, created by init
    f32 size;
};

} // namespace game
