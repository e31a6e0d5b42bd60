#pragma once
// The editor's windows, built with Dear ImGui every frame while the editor is open: "Scene" with
// its entity list, "Selected Entity" with the reference picker "Select Entity", "Save As",
// "Load", "New Entity", "Rename Entity" and "Edit String". Which ones show lives in `debugState`.

#include "Platform/machineDef.h"

namespace ve {

// Every window, in drawing order; between Dear ImGui's NewFrame and Render.
void drawEditorWindows();

void drawSceneWindow();
// "Selected Entity" and, inside it, "Select Entity".
void drawEntityEditor();
void drawSaveAs();
void drawLoad();
void drawNewEntity();
void drawRenameEntity();
void drawEditString();
// At the top of the screen, while the current scene stands in for one that failed to load: which
// one and why, since a black window alone would tell the player nothing. Drawn whether the editor
// is open or not, and never in the way of a click.
void drawSceneNotice();

} // namespace ve
