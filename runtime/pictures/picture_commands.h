// The picture commands: LoadPicture turns data or a file into a picture handle that the drawing
// commands accept; UnloadPicture frees it. Handles left at the end are freed by the runtime.
#pragma once

#include <cstdint>

#include "runtime/blocks.h"
#include "runtime/pictures/picture.h"

namespace runtime {

// Puts LoadPicture and UnloadPicture into the command table; safe to call more than once.
void RegisterPictureCommands();

// Handles are positive and never reused while the program runs; 0 stands for no picture.
int32_t RegisterPicture(PicturePtr picture);
// Null for 0 and for handles that are not (or no longer) registered.
const Picture* PictureForHandle(int32_t handle);
// False when the handle was not registered.
bool UnregisterPicture(int32_t handle);
int32_t RegisteredPictureCount();

// Typed calls through the command convention.
int32_t LoadPicture(const ByteSet& data);
int32_t LoadPicture(const Text& fileName);  // a GB18030 name
void UnloadPicture(int32_t handle);

}  // namespace runtime
