// Checks that a call raises one exception type with an exact message.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace brindle::test {

/// Runs call and expects it to throw Exception whose what() equals message exactly; any other
/// exception or none is a failure.
template <class Exception, class Call>
void ExpectThrowText(Call&& call, const std::string& message)
{
    try {
        call();
        ADD_FAILURE() << "no exception; expected \"" << message << "\"";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), message);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "other exception: \"" << e.what() << "\"; expected \"" << message << "\"";
    }
}

} // namespace brindle::test
