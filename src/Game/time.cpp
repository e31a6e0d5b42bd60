#include "Game/time.h"

#include "Core/engine_globals.h"
#include "Physics/physics.h"

namespace ve {

namespace timeHistory {

template <typename T> void gather(T* const* sources, u32 count, T* values) {
    for (u32 i = 0; i < count; i++) values[i] = *sources[i];
}

template <typename T> void scatter(const T* values, u32 count, T* const* targets) {
    for (u32 i = 0; i < count; i++) *targets[i] = values[i];
}

} // namespace timeHistory

void reloadTimeTracking() {
    saveThis* vars = &engineState->trackedVars;
    vars->floatCount = 0;
    vars->intCount = 0;
    vars->boolCount = 0;
    engineState->time = 0;
}

void addTimeVar(f32* f) {
    saveThis* vars = &engineState->trackedVars;
    if (engineState->time != 0 || vars->floatCount >= TIME_FLOAT_LIMIT) return;
    vars->floats[vars->floatCount++] = f;
}

void addTimeVar(b8* b) {
    saveThis* vars = &engineState->trackedVars;
    if (engineState->time != 0 || vars->boolCount >= TIME_BOOL_LIMIT) return;
    vars->bools[vars->boolCount++] = b;
}

void saveTimeVars() {
    EngineState* state = engineState;
    // Signed: a constant of 0 or 1 records on every tick.
    if ((s32)state->timeSaveDelay < (s32)state->timeSaveDelayConst - 1) {
        state->timeSaveDelay++;
        return;
    }
    if (state->time >= TIME_HISTORY_LENGTH) return;

    saveThis* vars = &state->trackedVars;
    pastTimeStamp* snapshot = &state->pastTime[state->time];
    timeHistory::gather(vars->floats, vars->floatCount, snapshot->floats);
    timeHistory::gather(vars->ints, vars->intCount, snapshot->ints);
    timeHistory::gather(vars->bools, vars->boolCount, snapshot->bools);
    state->timeSaveDelay = 0;
    state->time++;
}

void stepBack() {
    EngineState* state = engineState;
    clearForces(state->scene);
    if (state->time == 0) return;

    state->time--;
    saveThis* vars = &state->trackedVars;
    pastTimeStamp* snapshot = &state->pastTime[state->time];
    timeHistory::scatter(snapshot->floats, vars->floatCount, vars->floats);
    timeHistory::scatter(snapshot->ints, vars->intCount, vars->ints);
    timeHistory::scatter(snapshot->bools, vars->boolCount, vars->bools);
}

} // namespace ve
