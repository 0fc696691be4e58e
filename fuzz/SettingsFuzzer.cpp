// Fuzz target: the configuration parser given the input as the configuration file's text.
#include "app/Settings.h"

#include <exception>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        const brindle::OptionAccessor options = brindle::ParseSettings(in);
        for (const brindle::OptionDeclaration& option : brindle::kOptionDeclarations) {
            std::string text;
            options.GetText(option.name, text);
            (void)options.IsOn(option.name);
        }
    } catch (const std::exception&) {
        // The driver reports these as its error line.
    }
    return 0;
}
