// Declaration and parsing of the configuration file's options.
#include "app/Settings.h"

#include "app/ReadCapped.h"
#include "platform/SystemFailure.h"

#include <boost/program_options.hpp>

#include <algorithm>
#include <iterator>
#include <new>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace brindle {

namespace {

// A repeated option, whatever the parser's own wording; the option and the file follow.
constexpr const char* kMultipleOccurrences = "multiple occurrences";
constexpr const char* kOfOption = " of option '";
constexpr const char* kInFile = "' in ";
// What is wrong with a file or one of its lines; the file's name (and ", line <n>") comes first.
constexpr const char* kTooLarge = " bytes; a settings file may hold at most ";
constexpr const char* kNulByte = ": holds a NUL byte";
constexpr const char* kBadLine = ": neither \"name = value\", a [section] nor a comment";
constexpr const char* kNotSettings = ": cannot be read as settings";
constexpr const char* kLine = ", line ";
// Out of memory while reading: a machine failure, with the system's reason after it.
constexpr const char* kNoMemory = "Not enough memory to read ";

constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

/// The refusal of a settings text of size bytes from source.
std::string TooLarge(const std::string& source, std::uint64_t size)
{
    return source + " is " + std::to_string(size) + kTooLarge + std::to_string(kMaxSettingsFileSize) + " bytes";
}

/// "<source>, line <n>" for the line that holds text's byte at offset.
std::string LineOf(const std::string& source, std::string_view text, std::size_t offset)
{
    const auto newlines = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
    return source + kLine + std::to_string(newlines + 1);
}

/// The first line of text that reads as invalid once its comment and surrounding blanks are
/// dropped, as the parser reads lines; npos when none does.
std::size_t FindLine(std::string_view text, std::string_view invalid)
{
    constexpr std::string_view blanks = " \t\r";
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        line = line.substr(0, line.find('#'));
        const std::size_t first = line.find_first_not_of(blanks);
        line = first == std::string_view::npos ? std::string_view() : line.substr(first);
        line = line.substr(0, line.find_last_not_of(blanks) + 1);
        if (line == invalid)
            return start;
        start = end + 1;
    }
    return std::string_view::npos;
}

} // namespace

namespace po = boost::program_options;

const std::array<OptionDeclaration, 8> kOptionDeclarations = {{
    {kOptionModule, "Module to load data from."},
    {kOptionIgnoreSingles, "Comment out single-variation lists."},
    {kOptionInstallPath, "Neverwinter Nights 2 installation path."},
    {kOptionHomePath, "Neverwinter Nights 2 home directory."},
    // The three invisible-model options share one description.
    {kOptionInvisibleModelParts, "Export header for armor visual types."},
    {kOptionInvisibleVariations, "Export header for armor visual types."},
    {kOptionInvisibleArmorPieces, "Export header for armor visual types."},
    {kOptionReport, "Run report to write, as a path without extension."},
}};

OptionAccessor ParseSettings(std::istream& in, const std::string& source)
{
    std::string text;
    try {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (text.size() > kMaxSettingsFileSize)
            throw std::runtime_error(TooLarge(source, text.size()));
        // The parser would end the value at the byte and keep what came before.
        if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
            throw std::runtime_error(LineOf(source, text, nul) + kNulByte);

        po::options_description description;
        for (const OptionDeclaration& option : kOptionDeclarations)
            description.add_options()(option.name, po::value<std::string>(), option.description);
        po::variables_map stored;
        std::istringstream lines(text);
        try {
            po::store(po::parse_config_file(lines, description, true), stored);
        } catch (const po::multiple_occurrences& e) {
            throw std::runtime_error(std::string(kMultipleOccurrences) + kOfOption + e.get_option_name() + kInFile +
                                     source);
        } catch (const po::invalid_config_file_syntax& e) {
            const std::size_t at = FindLine(text, e.tokens());
            throw std::runtime_error((at == std::string::npos ? source : LineOf(source, text, at)) + kBadLine);
        } catch (const po::error&) {
            throw std::runtime_error(source + kNotSettings);
        }

        std::map<std::string, std::string> values;
        for (const auto& [name, value] : stored)
            values.emplace(name, value.as<std::string>());
        return OptionAccessor(std::move(values));
    } catch (const std::bad_alloc&) {
        throw platform::SystemFailure(kNoMemory + source, std::make_error_code(std::errc::not_enough_memory));
    }
}

OptionAccessor ReadSettingsFile(const std::string& path, SettingsFileState* state)
{
    const auto report = [&](SettingsFileState what) {
        if (state != nullptr)
            *state = what;
    };
    // Only a regular file is read: a FIFO would block the open and a device may never end. One too
    // large to be settings is refused by its size, before any of it is kept.
    std::string text;
    std::uint64_t size = 0;
    switch (ReadCapped(path, kMaxSettingsFileSize, text, &size)) {
    case ReadOutcome::Missing:
        report(SettingsFileState::Missing);
        return OptionAccessor();
    case ReadOutcome::Unreadable:
        report(SettingsFileState::Unreadable);
        return OptionAccessor();
    case ReadOutcome::TooLarge:
        report(SettingsFileState::Read);
        throw std::runtime_error(TooLarge(path, size));
    case ReadOutcome::Read:
        break;
    }
    report(SettingsFileState::Read);
    // Editors on Windows save UTF-8 with a byte-order mark, which the parser would take as part of
    // the first line.
    if (text.rfind(kUtf8ByteOrderMark, 0) == 0)
        text.erase(0, sizeof(kUtf8ByteOrderMark) - 1);
    std::istringstream in(std::move(text));
    return ParseSettings(in, path);
}

} // namespace brindle
