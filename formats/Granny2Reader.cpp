// Loads the model library and resolves its conversion entry point, or leaves nothing loaded.
#include "formats/Granny2Reader.h"

#include <stdexcept>

namespace brindle::granny2 {

namespace {

constexpr const char* kGrannyLoadFailed = "Failed to load granny2.dll";
constexpr const char* kGrannyResolveFailed = "Failed to resolve GrannyConvertFileToRaw";

} // namespace

Granny2Reader::Granny2Reader(const std::string& libraryPath)
{
    m_Library = platform::LoadDynamicLibrary(libraryPath);
    if (m_Library == nullptr)
        throw std::runtime_error(kGrannyLoadFailed);
    m_Convert = platform::FindLibraryExport(m_Library, platform::kGrannyConvertExportName);
    if (m_Convert == nullptr) {
        platform::FreeDynamicLibrary(m_Library);
        m_Library = nullptr;
        throw std::runtime_error(kGrannyResolveFailed);
    }
}

Granny2Reader::~Granny2Reader()
{
    if (m_Library != nullptr) {
        platform::FreeDynamicLibrary(m_Library);
        m_Library = nullptr;
    }
}

} // namespace brindle::granny2
