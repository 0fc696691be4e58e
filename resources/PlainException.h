// The plain exception: a standard exception carrying a fixed message that is not a runtime error.
#pragma once

#include <exception>
#include <string>

namespace brindle {

class PlainException : public std::exception {
public:
    explicit PlainException(std::string message) : m_Message(std::move(message)) {}
    const char* what() const noexcept override { return m_Message.c_str(); }

private:
    std::string m_Message;
};

} // namespace brindle
