// The scene's debugging output: drawing through the phRender interface and a dump as source
// text that rebuilds the scene. Nothing in the game calls either; they serve whoever hunts a
// physics bug.

#include "Physics/scene/phScene.h"

void phScene::Render(phRender* render) const {
    for (const phBody* body = m_bodyList; body; body = body->m_next) body->Render(render);
    m_contactManager.RenderContacts(render);
}

void phScene::Dump(FILE* file) const {
    fprintf(file, "// Ensure 64/32-bit memory compatability with the dump contents\n");
    fprintf(file, "assert( sizeof( int* ) == %lu );\n", (unsigned long)sizeof(int*));
    fprintf(file, "scene.SetGravity( phVec3( %.15lf, %.15lf, %.15lf ) );\n", double(m_gravity.x), double(m_gravity.y),
            double(m_gravity.z));
    fprintf(file, "scene.SetAllowSleep( %s );\n", m_allowSleep ? "true" : "false");
    fprintf(file, "scene.SetEnableFriction( %s );\n", m_enableFriction ? "true" : "false");
    fprintf(file, "phBody** bodies = (phBody**)phAlloc( sizeof( phBody* ) * %d );\n", m_bodyCount);

    i32 index = 0;
    for (const phBody* body = m_bodyList; body; body = body->m_next) body->Dump(file, index++);

    fprintf(file, "phFree( bodies );\n");
}
