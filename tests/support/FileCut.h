// Cutting a file short under a live mapped view of it, as another program could, to make the
// view's pages unbackable.
#pragma once

#include <string>

namespace brindle::test {

/// Whether this system lets a file be cut short while a view of it is mapped. Windows refuses
/// (ERROR_USER_MAPPED_FILE); under Wine the host system does it.
bool CanCutMappedFiles();

/// Cuts the file at path to zero length; true when it is done.
bool CutFileShort(const std::string& path);

} // namespace brindle::test
