#include "Game/time.h"

#include "Core/engine_globals.h"

namespace ve {

void reloadTimeTracking() {
    saveThis* vars = &engineState->trackedVars;
    vars->floatCount = 0;
    vars->intCount = 0;
    vars->boolCount = 0;
    engineState->time = 0;
}

void saveTimeVars() {
    EngineState* state = engineState;
    // Signed: a constant of 0 or 1 records on every tick.
    if ((s32)state->timeSaveDelay < (s32)state->timeSaveDelayConst - 1) {
        state->timeSaveDelay++;
        return;
    }
    // A full history leaves the delay as it is, so every later tick lands here too.
    if (state->time >= TIME_HISTORY_LENGTH) return;

    saveThis* vars = &state->trackedVars;
    pastTimeStamp* snapshot = &state->pastTime[state->time];
    for (u32 i = 0; i < vars->floatCount; i++) snapshot->floats[i] = *vars->floats[i];
    for (u32 i = 0; i < vars->intCount; i++) snapshot->ints[i] = *vars->ints[i];
    for (u32 i = 0; i < vars->boolCount; i++) snapshot->bools[i] = *vars->bools[i];
    state->timeSaveDelay = 0;
    state->time++;
}

void stepBack() {
    EngineState* state = engineState;
    if (state->time == 0) return;

    state->time--;
    saveThis* vars = &state->trackedVars;
    pastTimeStamp* snapshot = &state->pastTime[state->time];
    for (u32 i = 0; i < vars->floatCount; i++) *vars->floats[i] = snapshot->floats[i];
    for (u32 i = 0; i < vars->intCount; i++) *vars->ints[i] = snapshot->ints[i];
    for (u32 i = 0; i < vars->boolCount; i++) *vars->bools[i] = snapshot->bools[i];
}

} // namespace ve
