#include "platform/fs/FileSystem.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/TempDir.h"

namespace {

TEST(FileSystem, ResolvesWindowsPathsWithoutRegardToCase) {
    TempDir dir;
    dir.Write("Data/Tracks/Oval.ENF", "scene");
    const std::string base = dir.Path();
    struct Case { std::string path; std::string expected; };
    const Case cases[] = {
        {base + "\\data\\tracks\\oval.enf", base + "/Data/Tracks/Oval.ENF"},
        {base + "/DATA/Tracks/OVAL.enf", base + "/Data/Tracks/Oval.ENF"},
        {base + "/Data/Tracks/Oval.ENF", base + "/Data/Tracks/Oval.ENF"},
        // A missing part keeps its spelling, so a new file can be written there.
        {base + "\\data\\tracks\\New.sav", base + "/Data/Tracks/New.sav"},
        {base + "\\data\\Missing\\x.tga", base + "/Data/Missing/x.tga"},
    };
    for (const Case& c : cases) EXPECT_EQ(plat::FileSystem::Resolve(c.path.c_str()), c.expected);
}

TEST(FileSystem, OpensAndTestsResolvedPaths) {
    TempDir dir;
    dir.Write("Cars/Car1.CAR", "abc");
    std::string mixed = dir.Path() + "\\cars\\car1.car";
    EXPECT_TRUE(plat::FileSystem::Exists(mixed.c_str()));
    EXPECT_FALSE(plat::FileSystem::Exists((dir.Path() + "/cars/car2.car").c_str()));
    FILE* f = plat::FileSystem::Open(mixed.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char buffer[4] = {};
    EXPECT_EQ(std::fread(buffer, 1, 3, f), 3u);
    std::fclose(f);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(plat::FileSystem::Open(nullptr, "rb"), nullptr);
    EXPECT_EQ(plat::FileSystem::Open((dir.Path() + "/none").c_str(), "rb"), nullptr);
}

}  // namespace
