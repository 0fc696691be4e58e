// The failure of a search for "auto": its fixed message and every place the search looked at.
#pragma once

#include "resources/PlainException.h"

#include <string>
#include <vector>

namespace brindle {

class FolderNotFound : public PlainException {
public:
    FolderNotFound(std::string message, std::vector<std::string> looked)
        : PlainException(std::move(message)), m_Looked(std::move(looked))
    {
    }

    const std::vector<std::string>& Looked() const { return m_Looked; }

private:
    std::vector<std::string> m_Looked;
};

} // namespace brindle
