// The one translation unit of the engine and the game. Every engine and game source is included
// here once, in dependency order; the physics library is the exception (its sources are compiled
// on their own) and the program's `main` lives in Platform/SDL/sdl_main.cpp.

// Foundation
#include "Platform/machineDef.cpp"
#include "Memory/memory.cpp"
#include "Util/string.cpp"
#include "Util/Datastructures.cpp"
#include "Math/utilMath.cpp"
#include "Math/Hash/lane_hash.cpp"

// Platform layer
#include "Platform/SDL/sdl_platformAPI.cpp"
#include "Platform/SDL/sdl_tmp_win_platform.cpp"

// Engine core
#include "Core/engine_globals.cpp"
#include "Core/console.cpp"
#include "Core/engine_main.cpp"
#include "Meta/introspection.cpp"
#include "Meta/entity_type_list.cpp"
#include "Core/Scene/scene.cpp"
#include "Util/serialization.cpp"
#include "Core/Assets/assets.cpp"

// Renderer
#include "Renderer/renderer.cpp"
#include "Renderer/bsp_tree.cpp"
#include "Renderer/bloomKernel.cpp"
#include "Renderer/OpenGL/opengl_globals.cpp"
#include "Renderer/OpenGL/opengl_shaders.cpp"
#include "Renderer/OpenGL/opengl_renderer.cpp"
#include "Renderer/OpenGL/opengl_draw.cpp"
#include "Renderer/OpenGL/opengl_pipeline.cpp"

// Physics glue
#include "Physics/physics.cpp"

// Game
#include "Game/time.cpp"
#include "Game/entityShared.cpp"
#include "Game/ParticleEmitter.cpp"
#include "Game/LightEntity.cpp"
#include "Game/WallEntity.cpp"
#include "Game/PlayerEntity.cpp"
#include "Game/CubeEntity.cpp"
#include "Game/HUDEntity.cpp"
#include "Game/FloatingTextEntity.cpp"
#include "Game/ButtonEntity.cpp"
#include "Game/PressurePlateEntity.cpp"
#include "Game/CableEntity.cpp"
#include "Game/LogicGateEntity.cpp"
#include "Game/BarrierEntity.cpp"
#include "Game/ElevatorEntity.cpp"

// Map editor
#include "Debug/mapeditor.cpp"
#include "Debug/editorText.cpp"
#include "Debug/editorActions.cpp"
#include "Debug/fieldEditor.cpp"
#include "Debug/editorWindows.cpp"
