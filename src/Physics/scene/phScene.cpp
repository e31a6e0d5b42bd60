#include "Physics/scene/phScene.h"

#include <new>

phScene::phScene(r32 dt, const phVec3& gravity, i32 iterations)
    : m_contactManager(&m_stack, &m_bodyList), m_boxAllocator(i32(sizeof(phBox)), phk_boxesPerPage), m_bodyCount(0),
      m_bodyList(nullptr), m_gravity(gravity), m_dt(dt), m_iterations(iterations), m_newBox(false),
      m_allowSleep(true), m_enableFriction(true), m_shortfall(), m_piecesRested(false) {
    setPhysicsSpareArena(&m_stack);
}

phScene::~phScene() {
    Shutdown();
    if (detail::spareArena == &m_stack) setPhysicsSpareArena(nullptr);
}

phBody* phScene::CreateBody(const phBodyDef& def) {
    void* memory = m_heap.Allocate(i32(sizeof(phBody)));
    // A full heap refuses the body; the caller decides what to do without it.
    if (!memory) return nullptr;
    phBody* body = new (memory) phBody(def, this);

    body->m_prev = nullptr;
    body->m_next = m_bodyList;
    if (m_bodyList) m_bodyList->m_prev = body;
    m_bodyList = body;
    ++m_bodyCount;
    return body;
}

void phScene::RemoveBody(phBody* body) {
    phAssert(m_bodyCount > 0);
    m_contactManager.RemoveContactsFromBody(body);
    body->RemoveAllBoxes();

    if (body->m_next) body->m_next->m_prev = body->m_prev;
    if (body->m_prev) body->m_prev->m_next = body->m_next;
    if (body == m_bodyList) m_bodyList = body->m_next;
    --m_bodyCount;
    m_heap.Free(body);
}

void phScene::RemoveAllBodies() {
    phBody* body = m_bodyList;
    while (body) {
        phBody* next = body->m_next;
        body->RemoveAllBoxes();
        m_heap.Free(body);
        body = next;
    }
    m_bodyList = nullptr;
    m_bodyCount = 0;
}

void phScene::SetAllowSleep(bool allowSleep) {
    m_allowSleep = allowSleep;
    if (allowSleep) return;
    for (phBody* body = m_bodyList; body; body = body->m_next) body->SetToAwake();
}

void phScene::SetIterations(i32 iterations) { m_iterations = phMax(1, iterations); }

void phScene::Shutdown() {
    RemoveAllBodies();
    m_boxAllocator.Clear();
}
