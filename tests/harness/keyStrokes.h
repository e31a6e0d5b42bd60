#pragma once
// Key states written by hand as the platform reports them in one frame, for the fixtures that
// hand the engine a game input record. Header only, without GoogleTest.

#include "Platform/ve_platform.h"

namespace vetest {

// Inherited by fixtures so that their tests call `press(&keys().E)` and so on unqualified.
struct KeyStrokes {
    // Went down in this frame.
    static void press(ve::GameInput::Keyboard::Key* key) {
        key->isDown = 1;
        key->wentDown = 1;
    }
    // Went up in this frame.
    static void release(ve::GameInput::Keyboard::Key* key) {
        key->isDown = 0;
        key->wentUp = 1;
    }
    // Down since an earlier frame: no edge in this one.
    static void hold(ve::GameInput::Keyboard::Key* key) {
        key->isDown = 1;
        key->wentDown = 0;
    }
};

} // namespace vetest
