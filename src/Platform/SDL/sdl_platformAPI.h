#pragma once
// The SDL implementation of the sixteen platform operations: file lists over the asset
// directory, positioned reads and writes, file creation and atomic replacement, console output, the mouse capture,
// memory blocks, OpenGL procedure lookup and the clipboard. The engine reaches them only
// through the table that `initPlatformAPI` fills.
//
// All paths are relative to the working directory; the asset directory is "assets" in it.

#include "Platform/ve_platform.h"
#include "Util/Datastructures.h"

#include <SDL.h>

namespace ve {

// The platform block (`_PlatformData`) of every file list made here, from the C runtime's heap.
// Entry i of each array belongs to file i.
struct sdl_platformFileData {
    // For a listing the caller's `type` (not copied, never read); for a created file the tail
    // of its path from the last "." on.
    string type;
    // Open handles; null only for a created file that could not be created.
    SDL_RWops** files;
    // Remembered positions. A transfer moves it by the length asked for, whatever was moved.
    s64* offsets;
    // The file could not be opened, or its last transfer moved fewer bytes than asked.
    b8* errors;
};

// Every block `allocateMemory` has handed out, in the order of the calls; the input recording
// copies these blocks and writes them back.
extern DynArray allocatedBuffers;
// The last clipboard text obtained from SDL (SDL owns it), released at the next clipboard read.
extern c8* clipboardASCIIZ;

PlatformFileList sdl_platform_openFileList(string type);
void sdl_platform_closeFileList(PlatformFileList list);
b8 sdl_platform_fileHasError(PlatformFileList list, u32 index);
msi sdl_platform_readFile(PlatformFileList list, u32 index, s64 offset, buffer dst);
msi sdl_platform_writeFile(PlatformFileList list, u32 index, s64 offset, buffer src);
PlatformFileList sdl_platform_createFile(string path);
void sdl_platform_set_offset_in_file(PlatformFileList list, u32 index, s64 offset);
void sdl_platform_print(string text);
s64 sdl_platform_readSTDIn(c8* dst, u32 size);
void sdl_platform_setCursorRelative(b8 relative);
buffer sdl_platform_allocateMemory(msi size);
void* sdl_platform_getGLProcAddr(c8* name);
string sdl_platform_getClipboard();
c8* sdl_platform_getClipboardZ();
void sdl_platform_setClipboard(string text);
b8 sdl_platform_renameFile(PlatformFileList list, u32 index, string path);

// Puts the functions above into their slots.
void initPlatformAPI(PlatformAPI* platformAPI);

} // namespace ve
