// Console text output: the 8,192-character cut, the zero cut, and which attribute each slot uses.
#include "app/PrintfTextOut.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace brindle {
namespace {

TEST(PrintfTextOutTest, LongTextsAreCutTo8192Characters)
{
    struct Case {
        std::size_t length;
        std::size_t shown;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {8191, 8191}, {8192, 8192}, {8193, 8192}, {20000, 8192}};
    for (const Case& c : cases) {
        std::string text;
        for (std::size_t i = 0; i < c.length; ++i)
            text += static_cast<char>('a' + i % 26);
        PrintfTextOut console;
        test::StdoutCapture capture;
        console.WriteText("%s", text.c_str());
        EXPECT_EQ(capture.Text(), text.substr(0, c.shown)) << "length " << c.length;
    }
}

TEST(PrintfTextOutTest, CutAtTheLimitAppliesToTheFormattedText)
{
    // The cut is of the formatted text: a short format that expands past the limit is cut too,
    // and the limit counts characters after the prefix.
    const std::string tail(8190, 'x');
    PrintfTextOut console;
    test::StdoutCapture capture;
    console.WriteText("%s|%s|%d", "ab", tail.c_str(), 12345);
    EXPECT_EQ(capture.Text(), "ab|" + tail.substr(0, 8189));
}

TEST(PrintfTextOutTest, TextEndsAtItsFirstZeroCharacter)
{
    PrintfTextOut console;
    test::StdoutCapture capture;
    console.WriteText("before%cafter", 0);
    console.WriteText(12, "\nWARNING: %s %04X\n", "late", 0x7E1u);
    EXPECT_EQ(capture.Text(), "before\nWARNING: late 07E1\n");
}

TEST(PrintfTextOutTest, ControlBytesFromArgumentsShowAsQuestionMarks)
{
    // Only the text of %s arguments is data; the format's own line ends stay. Every conversion
    // otherwise formats as printf does.
    struct Case {
        const char* format;
        const char* argument;
        const char* shown;
    } const cases[] = {
        {"Loading '%s' ...", "\x1b]0;owned\x07", "Loading '?]0;owned?' ..."},
        {"\nWARNING: '%s'\n", "a\nb\rc\td\x7f\x01.", "\nWARNING: 'a?b?c?d??.'\n"},
        {"%.5s|", "\x1b[31mred", "?[31m|"},
        {"%-10s|", "\x1b[31mred", "?[31mred  |"},
        {"%s", "caf\xc3\xa9 \x80\xff", "caf\xc3\xa9 \x80\xff"},
    };
    for (const Case& c : cases) {
        PrintfTextOut console;
        test::StdoutCapture capture;
        console.WriteText(c.format, c.argument);
        EXPECT_EQ(capture.Text(), c.shown) << c.format;
    }
    PrintfTextOut console;
    test::StdoutCapture capture;
    console.WriteText("%lu|%04X|%08X|%%|%*d|%.*s|%-*u|%c|%5.1f|%lld", 42ul, 0x7E1u, 0xBEEFu, 4, 7, 2, "\tab", -3, 9u,
                      'x', 2.5, -5ll);
    EXPECT_EQ(capture.Text(), "42|07E1|0000BEEF|%|   7|?a|9  |x|  2.5|-5");
}

TEST(PrintfTextOutTest, EveryConversionTakesItsOwnArgument)
{
    // Each conversion consumes exactly its argument, so the ones after it still line up.
    char buffer[kMaxConsoleText + 1];
    const auto format = [&](const char* text, ...) {
        va_list args;
        va_start(args, text);
        const std::size_t length = PrintfTextOut::FormatForConsole(buffer, text, args);
        va_end(args);
        return std::string(buffer, length);
    };
    EXPECT_EQ(format("%hd|%ld|%lld|%jd|%zd|%td|%s", short{-1}, -2l, -3ll, std::intmax_t{-4}, std::ptrdiff_t{-5},
                     std::ptrdiff_t{-6}, "end"),
              "-1|-2|-3|-4|-5|-6|end");
    EXPECT_EQ(format("%o|%llx|%jX|%zu|%s", 8u, 255ull, std::uintmax_t{171}, std::size_t{7}, "end"), "10|ff|AB|7|end");
    EXPECT_EQ(format("%.1f|%G|%.1Lf|%s", 1.5, 0.5, 2.5L, "end"), "1.5|0.5|2.5|end");
    EXPECT_EQ(format("%.*s|%s", -1, "whole", "end"), "whole|end"); // a negative precision is none
    const std::string pointer = format("%p|%s", static_cast<void*>(buffer), "end");
    EXPECT_EQ(pointer.substr(pointer.size() - 4), "|end") << pointer;
    EXPECT_EQ(format("cut %"), "cut ");
}

// Overrides the working slot to see which attribute the other three hand to it.
class AttributeSpy : public PrintfTextOut {
public:
    void WriteTextV(std::uint16_t attribute, const char* format, va_list args) override
    {
        attributes.push_back(attribute);
        PrintfTextOut::WriteTextV(attribute, format, args);
    }
    using PrintfTextOut::WriteTextV;

    void CallSlot3(const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        WriteTextV(format, args);
        va_end(args);
    }

    std::vector<std::uint16_t> attributes;
};

TEST(PrintfTextOutTest, EverySlotForwardsToTheWorkingSlot)
{
    AttributeSpy console;
    test::StdoutCapture capture;
    console.WriteText(12, "[%d]", 0);
    console.WriteText("[%d]", 1);
    console.CallSlot3("[%d]", 3);
    console.WriteText(0x1F, "[%s]", "4");
    console.WriteText("[%d]", 5);
    EXPECT_EQ(console.attributes, (std::vector<std::uint16_t>{12, 7, 7, 0x1F, 7}));
    // Standard output is a file here, not a terminal: no colour sequences reach it.
    EXPECT_EQ(capture.Text(), "[0][1][3][4][5]");
}

TEST(PrintfTextOutTest, ClosedOutputDoesNotEndTheProcess)
{
    {
        test::ClosedStdout closed;
        PrintfTextOut console;
        console.WriteText("nobody reads this\n");
        console.WriteText(12, "%s", "nor this");
    }
    SUCCEED() << "still running";
}

} // namespace
} // namespace brindle
