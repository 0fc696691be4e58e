// Binding of the game's model library: loads it and resolves its skeleton conversion entry point.
#pragma once

#include "platform/DynamicLibrary.h"

#include <string>

namespace brindle::granny2 {

class Granny2Reader {
public:
    /// Loads the library and resolves GrannyConvertFileToRaw; throws std::runtime_error with one of
    /// the two texts above, leaving nothing loaded.
    explicit Granny2Reader(const std::string& libraryPath);
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
