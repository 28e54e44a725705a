#include "platform/sys/PathSplitter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SplitCase {
    const char* path;
    const char* drive;
    const char* dir;
    const char* fname;
    const char* ext;
};

TEST(PathSplitter, SplitsLikeTheWindowsRuntime) {
    const SplitCase cases[] = {
        {"C:\\Data\\Tracks\\oval.enf", "C:", "\\Data\\Tracks\\", "oval", ".enf"},
        {"tracks/oval.enf", "", "tracks/", "oval", ".enf"},
        {"oval", "", "", "oval", ""},
        {"archive.tar.gz", "", "", "archive.tar", ".gz"},  // only the last dot starts the extension
        {"dir.v2\\file", "", "dir.v2\\", "file", ""},      // a dot in a directory is no extension
        {"D:file.tga", "D:", "", "file", ".tga"},
        {"\\", "", "\\", "", ""},
        {"", "", "", "", ""},
    };
    for (const SplitCase& c : cases) {
        plat::PathParts parts;
        plat::PathSplitter::Split(c.path, parts);
        EXPECT_EQ(parts.drive, c.drive) << c.path;
        EXPECT_EQ(parts.dir, c.dir) << c.path;
        EXPECT_EQ(parts.fname, c.fname) << c.path;
        EXPECT_EQ(parts.ext, c.ext) << c.path;
        EXPECT_EQ(plat::PathSplitter::Make(parts), c.path) << "split and join give the path back";
    }
}

TEST(PathSplitter, MakeAddsSeparatorsAndRefusesWhatDoesNotFit) {
    char out[16];
    EXPECT_TRUE(plat::PathSplitter::Make(out, sizeof out, "C", "dir", "name", "tga"));
    EXPECT_STREQ(out, "C:dir\\name.tga");
    EXPECT_TRUE(plat::PathSplitter::Make(out, 8, nullptr, nullptr, "abc", ".tga"));
    EXPECT_STREQ(out, "abc.tga");  // exactly fills the room with its terminator
    EXPECT_FALSE(plat::PathSplitter::Make(out, 7, nullptr, nullptr, "abc", ".tga"));
    EXPECT_STREQ(out, "");
    std::string longName(300, 'x');
    char path[260];
    EXPECT_FALSE(plat::PathSplitter::Make(path, sizeof path, "C:", "\\", longName.c_str(), ".enf"));
}

}  // namespace
