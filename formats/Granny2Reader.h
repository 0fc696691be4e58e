// Binding of the game's model library: loads it and resolves its skeleton conversion entry point.
#pragma once

#include "platform/DynamicLibrary.h"

#include <string>

namespace brindle::granny2 {

/// How the library is loaded: the game's library by default; tests bind native stand-ins.
using LibraryLoader = platform::LibraryHandle (*)(const std::string& path);

class Granny2Reader {
public:
    /// Loads the library with load and resolves GrannyConvertFileToRaw; throws std::runtime_error
    /// ("Failed to load granny2.dll" or "Failed to resolve GrannyConvertFileToRaw"), leaving
    /// nothing loaded.
    explicit Granny2Reader(const std::string& libraryPath, LibraryLoader load = &platform::LoadGameLibrary);
    virtual ~Granny2Reader();
    Granny2Reader(const Granny2Reader&) = delete;
    Granny2Reader& operator=(const Granny2Reader&) = delete;

    /// The resolved entry point. Nothing calls it yet, so its signature is not fixed here.
    void* GetConvertEntryPoint() const { return m_Convert; }

private:
    platform::LibraryHandle m_Library = nullptr;
    void* m_Convert = nullptr;
};

} // namespace brindle::granny2
