// Drives a resource container through every operation of the accessor interface, the way the
// resource manager uses it, and checks the promises the manager relies on.
#pragma once

#include "resources/IResourceAccessor.h"

namespace brindle::fuzz {

/// Lists every entry, opens each by index and by name, copies it out in 4096-byte chunks to its end
/// and closes it. Aborts when a read claims success without progress or beyond its request, or when
/// an entry delivers more bytes than its size.
void WalkAccessor(IResourceAccessor<NWN::ResRef32>& accessor);

} // namespace brindle::fuzz
