#include "engine/core/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FindCase {
    const char* line;
    const char* name;
    int index;
};

TEST(CommandLine, FindsSwitchesByExactName) {
    const FindCase cases[] = {
        {"-Windowed -SkipMovies", "SkipMovies", 2},
        {"-Windowed -SkipMovies", "Windowed", 1},
        {"-Windowed -SkipMovies", "windowed", 0},  // names are case-sensitive
        {"-Windowed -SkipMovies", "Window", 0},    // and compared in full
        {"-Windowed -SkipMovies", "WindowedX", 0},
        {"\"a b\" -x", "x", 2},          // a quoted argument keeps its blank
        {"Windowed", "Windowed", 0},     // without the leading '-' it is no switch
        {"--Windowed", "-Windowed", 1},  // only one '-' is taken off
        {"\t-a\t\t-b", "b", 3},          // a leading tab makes an empty argument
        {"-a \"-b\"", "b", 2},           // a quoted switch is still a switch
        {"-a\"-b\"", "a\"-b\"", 1},      // quotes inside an argument are characters
        {"-", "", 1},
        {"", "Windowed", 0},
        {nullptr, "Windowed", 0},
        {" ", "Windowed", 0},
    };
    for (const FindCase& c : cases) {
        CommandLine cl(c.line);
        bool found = !c.index;  // FindOption must overwrite it
        EXPECT_EQ(cl.FindOption(c.name, found), c.index) << (c.line ? c.line : "(null)");
        EXPECT_EQ(found, c.index != 0) << (c.line ? c.line : "(null)");
        if (c.index == 0) {
            EXPECT_STREQ(cl.GetLastError(), "option not found");
        }
    }
}

struct SplitCase {
    const char* line;
    std::vector<std::string> args;  // arguments 1 .. count - 1
};

TEST(CommandLine, SplitsAtBlanksAndTabsAndKeepsQuotedTexts) {
    const SplitCase cases[] = {
        {"-Windowed -SkipMovies", {"-Windowed", "-SkipMovies"}},
        {"\"a b\" -x", {"a b", "-x"}},
        {"a   \t b", {"a", "b"}},
        {"a ", {"a"}},
        {" a", {"", "a"}},              // blanks at the very start are not skipped
        {" ", {""}},                    // the application's text when it has no command line
        {"\"open", {"open"}},           // an unclosed quote runs to the end
        {"\"a\"b c", {"a", "b", "c"}},  // the closing quote ends the argument
        {"\"\" x", {"", "x"}},
        {"x\"y z\"", {"x\"y", "z\""}},
    };
    for (const SplitCase& c : cases) {
        CommandLine cl(c.line);
        ASSERT_EQ(cl.GetArgCount(), int(c.args.size()) + 1) << c.line;
        for (size_t i = 0; i < c.args.size(); ++i) {
            EXPECT_EQ(std::string(cl.GetArg(int(i) + 1)), c.args[i]) << c.line << " arg " << i + 1;
        }
        EXPECT_EQ(cl.GetArg(cl.GetArgCount()), nullptr);
    }
}

TEST(CommandLine, EntryZeroIsTheStartOfTheCopy) {
    CommandLine cl("-a -b");
    ASSERT_EQ(cl.GetArgCount(), 3);
    EXPECT_EQ(cl.GetArg(0), cl.GetArg(1));
    EXPECT_STREQ(cl.GetArg(0), "-a");
}

TEST(CommandLine, NullAndEmptyTextsHaveNoArguments) {
    for (const char* line : {static_cast<const char*>(nullptr), ""}) {
        CommandLine cl(line);
        EXPECT_EQ(cl.GetArgCount(), 0);
        EXPECT_EQ(cl.GetArg(0), nullptr);
        EXPECT_EQ(cl.GetLastError(), nullptr);
        bool found = true;
        EXPECT_EQ(cl.FindOption("x", found), 0);
        EXPECT_FALSE(found);
    }
}

TEST(CommandLine, EachOccurrenceAnswersOnce) {
    CommandLine cl("-Windowed -x -Windowed");
    bool found = false;
    EXPECT_EQ(cl.FindOption("Windowed", found), 1);
    EXPECT_TRUE(cl.IsUsed(1));
    EXPECT_EQ(cl.GetLastError(), nullptr);
    EXPECT_EQ(cl.FindOption("Windowed", found), 3);
    EXPECT_TRUE(found);
    EXPECT_EQ(cl.FindOption("Windowed", found), 0);
    EXPECT_FALSE(found);
    EXPECT_STREQ(cl.GetLastError(), "option not found");
    // Other switches are unaffected by the used marks.
    EXPECT_EQ(cl.FindOption("x", found), 2);
}

TEST(CommandLine, TheCallerTextIsNotModified) {
    char text[] = "-a \"b c\" -d";
    const std::string before = text;
    {
        CommandLine cl(text);
        bool found;
        cl.FindOption("d", found);
    }
    EXPECT_EQ(std::string(text), before);
}

}  // namespace
