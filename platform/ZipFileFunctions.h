// The file functions through which the .zip container lets minizip read its archive: buffered
// streams with a position counter that answers "tell" without a system call, and short forward
// seeks served by reading through the stream's buffer.
#pragma once

#include <minizip/ioapi.h>

namespace brindle::platform {

/// Buffer size of each stream and the farthest forward seek that is read through instead.
inline constexpr unsigned kZipStreamBufferSize = 1024;

/// Fills table with this program's file functions (opaque is unused).
void FillZipFileFunctions(zlib_filefunc64_def& table);

} // namespace brindle::platform
