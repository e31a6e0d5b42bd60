// The scene's three queries. Each wraps the caller's callback in a small object whose
// TreeCallBack the broad phase's tree calls for every leaf it reaches; the leaf's box is then
// tested exactly at its body's current transform.

#include "Physics/scene/phScene.h"

namespace {

struct phSceneAABBQuery {
    bool TreeCallBack(i32 id) {
        phBox* box = (phBox*)broadPhase->m_tree.GetUserData(id);
        phAABB exact;
        box->ComputeAABB(box->body->GetTransform(), &exact);
        if (!phAABBtoAABB(aabb, exact)) return true;
        return cb->ReportShape(box);
    }

    phQueryCallback* cb;
    const phBroadPhase* broadPhase;
    phAABB aabb;
};

struct phScenePointQuery {
    bool TreeCallBack(i32 id) {
        phBox* box = (phBox*)broadPhase->m_tree.GetUserData(id);
        if (box->TestPoint(box->body->GetTransform(), point)) cb->ReportShape(box);
        return true;
    }

    phQueryCallback* cb;
    const phBroadPhase* broadPhase;
    phVec3 point;
};

struct phSceneRayQuery {
    bool TreeCallBack(i32 id) {
        phBox* box = (phBox*)broadPhase->m_tree.GetUserData(id);
        if (!box->Raycast(box->body->GetTransform(), rayCast)) return true;
        return cb->ReportShape(box);
    }

    phQueryCallback* cb;
    const phBroadPhase* broadPhase;
    phRaycastData* rayCast;
};

} // namespace

void phScene::QueryAABB(phQueryCallback* cb, const phAABB& aabb) const {
    const phBroadPhase* broadPhase = &m_contactManager.m_broadphase;
    phSceneAABBQuery query = {cb, broadPhase, aabb};
    broadPhase->m_tree.Query(&query, aabb);
}

void phScene::QueryPoint(phQueryCallback* cb, const phVec3& point) const {
    const phBroadPhase* broadPhase = &m_contactManager.m_broadphase;
    phScenePointQuery query = {cb, broadPhase, point};
    phVec3 half(r32(0.5), r32(0.5), r32(0.5));
    phAABB aabb;
    aabb.min = point - half;
    aabb.max = point + half;
    broadPhase->m_tree.Query(&query, aabb);
}

void phScene::RayCast(phQueryCallback* cb, phRaycastData& rayCast) const {
    const phBroadPhase* broadPhase = &m_contactManager.m_broadphase;
    phSceneRayQuery query = {cb, broadPhase, &rayCast};
    broadPhase->m_tree.Query(&query, rayCast);
}
