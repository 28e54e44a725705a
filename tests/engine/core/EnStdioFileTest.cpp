#include "engine/core/EnStdioFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/core/EnFilePath.h"
#include "engine/core/EnSystem.h"
#include "tests/support/TempDir.h"

namespace {

std::string Pattern(size_t uiSize, uint32_t uiSeed) {
    std::mt19937 kRandom(uiSeed);
    std::string k(uiSize, '\0');
    for (char& c : k) c = char(kRandom());
    return k;
}

// The same file served unbuffered, byte by byte: what every request must match.
struct FileModel {
    std::string m_kData;
    int64_t m_iPos = 0;
    bool m_bGood = true;

    uint32_t Read(char* pcOut, uint32_t uiBytes) {
        if (!m_bGood) return 0;
        int64_t iAvailable = std::max<int64_t>(0, int64_t(m_kData.size()) - m_iPos);
        uint32_t uiTake = uint32_t(std::min<int64_t>(uiBytes, iAvailable));
        std::memcpy(pcOut, m_kData.data() + m_iPos, uiTake);
        m_iPos += uiTake;
        return uiTake;
    }
    uint32_t Write(const char* pcIn, uint32_t uiBytes) {
        if (!m_bGood || uiBytes == 0) return 0;
        if (int64_t(m_kData.size()) < m_iPos + uiBytes) m_kData.resize(size_t(m_iPos + uiBytes));
        std::memcpy(m_kData.data() + m_iPos, pcIn, uiBytes);
        m_iPos += uiBytes;
        return uiBytes;
    }
    bool Seek(int64_t iOffset, int iOrigin) {
        if (!m_bGood) return false;
        int64_t iBase = iOrigin == SEEK_SET   ? 0
                        : iOrigin == SEEK_CUR ? m_iPos
                                              : int64_t(m_kData.size());
        if (iBase + iOffset < 0) return m_bGood = false;
        m_iPos = iBase + iOffset;
        return true;
    }
};

// Byte counts from 0 to a little over the buffer, so requests land inside, across and past it.
uint32_t RandomCount(std::mt19937& kRandom, uint32_t uiBufferSize) {
    switch (kRandom() % 4) {
        case 0:
            return kRandom() % 5;
        case 1:
            return kRandom() % 64;
        default:
            return kRandom() % (uiBufferSize * 2 + 16);
    }
}

int64_t RandomOffset(std::mt19937& kRandom, int iOrigin, int64_t iPos, int64_t iSize) {
    switch (iOrigin) {
        case SEEK_SET:
            return int64_t(kRandom() % uint32_t(iSize + 32));
        case SEEK_CUR: {
            int64_t iTarget = int64_t(kRandom() % uint32_t(iSize + 32));
            if (kRandom() % 50 == 0) iTarget = -1 - int64_t(kRandom() % 8);  // before the start
            if (kRandom() % 3 == 0) iTarget = iPos + int64_t(kRandom() % 9) - 4;
            return iTarget - iPos;
        }
        default:
            return -int64_t(kRandom() % uint32_t(iSize + 1)) + int64_t(kRandom() % 16);
    }
}

const uint32_t BUFFER_SIZES[] = {0, 1, 3, 16, 100, 10240};

TEST(EnStdioFile, RandomReadsAndSeeksMatchUnbufferedReading) {
    TempDir kDir;
    for (uint32_t uiBufferSize : BUFFER_SIZES) {
        for (uint32_t uiSeed = 1; uiSeed <= 20; uiSeed++) {
            std::mt19937 kRandom(uiSeed * 7919 + uiBufferSize);
            size_t uiFileSize = kRandom() % (uiBufferSize * 4 + 300);
            FileModel kModel;
            kModel.m_kData = Pattern(uiFileSize, uiSeed);
            std::string kPath = kDir.Write("read.bin", kModel.m_kData);
            EnStdioFile kFile(kPath.c_str(), false, uiBufferSize);
            ASSERT_TRUE(kFile.IsOpen());
            for (int iStep = 0; iStep < 200; iStep++) {
                SCOPED_TRACE("buffer " + std::to_string(uiBufferSize) + " seed " +
                             std::to_string(uiSeed) + " step " + std::to_string(iStep));
                if (kRandom() % 3 != 0) {
                    uint32_t uiCount = RandomCount(kRandom, uiBufferSize);
                    std::string kGot(uiCount, '\0'), kWant(uiCount, '\0');
                    uint32_t uiGot = kFile.Read(kGot.data(), uiCount);
                    uint32_t uiWant = kModel.Read(kWant.data(), uiCount);
                    ASSERT_EQ(uiGot, uiWant);
                    ASSERT_EQ(kGot.substr(0, uiGot), kWant.substr(0, uiWant));
                } else {
                    int iOrigin = int(kRandom() % 3);
                    int64_t iOffset = RandomOffset(kRandom, iOrigin, kModel.m_iPos,
                                                   int64_t(kModel.m_kData.size()));
                    ASSERT_EQ(kFile.Seek(iOffset, iOrigin), kModel.Seek(iOffset, iOrigin))
                        << "origin " << iOrigin << " offset " << iOffset;
                    ASSERT_EQ(kFile.IsOpen(), kModel.m_bGood);
                }
            }
        }
    }
}

TEST(EnStdioFile, RandomWritesAndSeeksMatchUnbufferedWriting) {
    TempDir kDir;
    for (uint32_t uiBufferSize : BUFFER_SIZES) {
        for (uint32_t uiSeed = 1; uiSeed <= 20; uiSeed++) {
            std::mt19937 kRandom(uiSeed * 104729 + uiBufferSize);
            FileModel kModel;
            std::string kPath = kDir.File("write.bin");
            {
                EnStdioFile kFile(kPath.c_str(), true, uiBufferSize);
                ASSERT_TRUE(kFile.IsOpen());
                for (int iStep = 0; iStep < 120; iStep++) {
                    SCOPED_TRACE("buffer " + std::to_string(uiBufferSize) + " seed " +
                                 std::to_string(uiSeed) + " step " + std::to_string(iStep));
                    if (kRandom() % 3 != 0) {
                        uint32_t uiCount = RandomCount(kRandom, uiBufferSize);
                        std::string kBytes = Pattern(uiCount, kRandom());
                        ASSERT_EQ(kFile.Write(kBytes.data(), uiCount),
                                  kModel.Write(kBytes.data(), uiCount));
                    } else {
                        int iOrigin = int(kRandom() % 3);
                        int64_t iOffset = RandomOffset(kRandom, iOrigin, kModel.m_iPos,
                                                       int64_t(kModel.m_kData.size()));
                        ASSERT_EQ(kFile.Seek(iOffset, iOrigin), kModel.Seek(iOffset, iOrigin));
                    }
                }
            }
            ASSERT_EQ(TempDir::Read(kPath), kModel.m_kData)
                << "buffer " << uiBufferSize << " seed " << uiSeed;
        }
    }
}

// Read system calls made by this process so far, or -1 when the system does not tell. Each
// call of this function costs exactly one read of its own.
int64_t ReadCalls() {
    int iFd = ::open("/proc/self/io", O_RDONLY);
    if (iFd < 0) return -1;
    char ac[1024];
    ssize_t iRead = ::read(iFd, ac, sizeof ac - 1);
    ::close(iFd);
    if (iRead <= 0) return -1;
    ac[iRead] = 0;
    const char* pc = std::strstr(ac, "syscr:");
    return pc ? std::strtoll(pc + 6, nullptr, 10) : -1;
}

// Reads between two marks, less the mark's own read.
struct ReadCounter {
    int64_t m_iStart = ReadCalls();
    bool Available() const { return m_iStart >= 0; }
    int64_t Count() { return ReadCalls() - m_iStart - 1; }
};

// Without a buffer of its own, the runtime passes each request of the file object to the
// system as one read, so the system's count shows the file object's requests.
FILE* OpenUnbuffered(const char* pcPath, const char* pcMode) {
    FILE* pFile = std::fopen(pcPath, pcMode);
    if (pFile) setvbuf(pFile, nullptr, _IONBF, 0);
    return pFile;
}

struct HookGuard {
    explicit HookGuard(EnFileOpenFunction pfn) { SetFileOpenHook(pfn); }
    ~HookGuard() { SetFileOpenHook(nullptr); }
};

TEST(EnStdioFile, SmallReadsAreServedFromTheBuffer) {
    TempDir kDir;
    std::string kData = Pattern(12000, 5);
    std::string kPath = kDir.Write("small.bin", kData);
    HookGuard kHook(&OpenUnbuffered);
    EnStdioFile kFile(kPath.c_str(), false, 10240);
    std::string kRead;
    ReadCounter kCounter;
    if (!kCounter.Available()) GTEST_SKIP() << "no read accounting";
    for (int i = 0; i < 3000; i++) {
        char ac[4];
        ASSERT_EQ(kFile.Read(ac, 4), 4u);
        kRead.append(ac, 4);
    }
    // Two reads of the file, the second of which finds its end (one more call to see it).
    int64_t iReads = kCounter.Count();
    EXPECT_GE(iReads, 2);
    EXPECT_LE(iReads, 3);
    EXPECT_EQ(kRead, kData);
}

TEST(EnStdioFile, LargeReadBypassesTheBuffer) {
    TempDir kDir;
    std::string kData = Pattern(30000, 6);
    std::string kPath = kDir.Write("large.bin", kData);
    HookGuard kHook(&OpenUnbuffered);
    EnStdioFile kFile(kPath.c_str(), false, 10240);
    std::string kRead(20000, '\0');
    ReadCounter kCounter;
    if (!kCounter.Available()) GTEST_SKIP() << "no read accounting";
    ASSERT_EQ(kFile.Read(kRead.data(), 20000), 20000u);
    EXPECT_EQ(kCounter.Count(), 1);
    EXPECT_EQ(kRead, kData.substr(0, 20000));
}

TEST(EnStdioFile, RelativeSeekInsideTheBufferKeepsTheBuffer) {
    TempDir kDir;
    std::string kData = Pattern(30000, 7);
    std::string kPath = kDir.Write("seek.bin", kData);
    HookGuard kHook(&OpenUnbuffered);
    EnStdioFile kFile(kPath.c_str(), false, 10240);
    char ac[4];
    ASSERT_EQ(kFile.Read(ac, 4), 4u);
    ReadCounter kCounter;
    if (!kCounter.Available()) GTEST_SKIP() << "no read accounting";
    EXPECT_TRUE(kFile.Seek(-2, SEEK_CUR));
    ASSERT_EQ(kFile.Read(ac, 2), 2u);
    EXPECT_EQ(kCounter.Count(), 0);
    EXPECT_EQ(std::string(ac, 2), kData.substr(2, 2));

    // Past the buffer's valid bytes: the same byte as unbuffered reading would reach.
    EXPECT_TRUE(kFile.Seek(15000, SEEK_CUR));
    ASSERT_EQ(kFile.Read(ac, 4), 4u);
    EXPECT_EQ(std::string(ac, 4), kData.substr(15004, 4));
}

TEST(EnStdioFile, DestroyingAWriteFileWritesItsBufferedBytes) {
    TempDir kDir;
    std::string kPath = kDir.File("out.bin");
    std::string kBytes = Pattern(100, 8);
    {
        EnStdioFile kFile(kPath.c_str(), true, 10240);
        ASSERT_EQ(kFile.Write(kBytes.data(), 100), 100u);
        EXPECT_EQ(TempDir::Read(kPath), "");  // still in the buffer
    }
    EXPECT_EQ(TempDir::Read(kPath), kBytes);
}

TEST(EnStdioFile, FailedFlushIsReported) {
    EnStdioFile kFile("/dev/full", true, 64);
    ASSERT_TRUE(kFile.IsOpen());
    EXPECT_EQ(kFile.Write("abc", 3), 3u);  // buffered
    EXPECT_FALSE(kFile.Flush());
    EXPECT_FALSE(kFile.IsOpen());
    EXPECT_EQ(kFile.Write("abc", 3), 0u);
}

TEST(EnStdioFile, FileThatDoesNotOpenDeliversNothing) {
    TempDir kDir;
    EnStdioFile kFile(kDir.File("missing.bin").c_str(), false, 16);
    char ac[4];
    EXPECT_FALSE(kFile.IsOpen());
    EXPECT_EQ(kFile.Read(ac, 4), 0u);
    EXPECT_EQ(kFile.Write(ac, 4), 0u);
    EXPECT_FALSE(kFile.Seek(0, SEEK_SET));
}

TEST(EnStdioFile, WindowsStylePathsOpenWithoutAHook) {
    TempDir kDir;
    kDir.Write("data.bin", "xyz");
    std::string kPath = kDir.Path() + "\\DATA.BIN";
    EnStdioFile kFile(kPath.c_str(), false, 16);
    ASSERT_TRUE(kFile.IsOpen());
    char ac[3];
    EXPECT_EQ(kFile.Read(ac, 3), 3u);
    EXPECT_EQ(std::string(ac, 3), "xyz");
}

TEST(EnStdioFile, SetFileOpenHookTellsWhetherOneIsInstalled) {
    EXPECT_TRUE(SetFileOpenHook(&OpenUnbuffered));
    EXPECT_EQ(GetFileOpenHook(), &OpenUnbuffered);
    EXPECT_FALSE(SetFileOpenHook(nullptr));
    EXPECT_EQ(GetFileOpenHook(), nullptr);
}

struct LineCase {
    std::string m_kData;
    uint32_t m_uiCapacity;
    uint32_t m_uiResult;
    const char* m_pcText;
};

TEST(EnBinaryStream, ReadLineStopsAtLineFeedOrCapacity) {
    const LineCase kCases[] = {
        {"abc\ndef", 128, 4, "abc"},
        {"abcdef\n", 4, 3, "ab"},  // cut at the capacity: the last byte read is lost
        {"abc", 128, 3, "ab"},     // no line feed before the end: the same rule
        {"\n", 128, 1, ""},
        {"", 128, 0, ""},
        {"abc\n", 1, 0, ""},  // no room for a character
    };
    TempDir kDir;
    for (const LineCase& c : kCases) {
        std::string kPath = kDir.Write("line.txt", c.m_kData);
        EnStdioFile kFile(kPath.c_str(), false, 16);
        char ac[128];
        std::memset(ac, 'x', sizeof ac);
        EXPECT_EQ(kFile.ReadLine(ac, c.m_uiCapacity), c.m_uiResult) << c.m_kData;
        EXPECT_STREQ(ac, c.m_pcText) << c.m_kData;
    }
}

TEST(EnBinaryStream, WriteStringWritesTheCharactersOnly) {
    TempDir kDir;
    std::string kPath = kDir.File("s.txt");
    {
        EnStdioFile kFile(kPath.c_str(), true, 4);
        EXPECT_EQ(kFile.WriteString("hello"), 5u);
        EXPECT_EQ(kFile.WriteString(""), 0u);
    }
    EXPECT_EQ(TempDir::Read(kPath), "hello");
}

TEST(EnSystem, StreamReadUShortsGivesLittleEndianValues) {
    TempDir kDir;
    std::string kPath = kDir.Write("u.bin", std::string("\x01\x02\xff\x00\x34", 5));
    EnStdioFile kFile(kPath.c_str(), false, 16);
    uint16_t aus[3] = {};
    EXPECT_EQ(StreamReadUShorts(&kFile, aus, 3), 5u);
    EXPECT_EQ(aus[0], 0x0201);
    EXPECT_EQ(aus[1], 0x00ff);
}

TEST(EnSystem, WrappersFollowTheRuntimeContracts) {
    EXPECT_EQ(EnStricmp("EnNode", "ENNODE"), 0);
    EXPECT_LT(EnStricmp("a", "B"), 0);
    EXPECT_EQ(EnStrnicmp("abcX", "ABCy", 3), 0);
    EXPECT_NE(EnStrnicmp("abcX", "ABCy", 4), 0);
    EXPECT_EQ(EnFabs(-2.5f), 2.5);
    TempDir kDir;
    kDir.Write("there.txt", "x");
    EXPECT_EQ(EnFileAccess((kDir.Path() + "\\THERE.TXT").c_str(), 0), 0);
    EXPECT_NE(EnFileAccess(kDir.File("absent.txt").c_str(), 0), 0);
}

struct PathCase {
    const char* m_pcPath;
    const char* m_pcDrive;
    const char* m_pcDir;
    const char* m_pcName;
    const char* m_pcExt;
};

TEST(EnFilePath, SplitsAndJoinsWithThePlatformRules) {
    const PathCase kCases[] = {
        {"C:\\Data\\Tracks\\Oval.enf", "C:", "\\Data\\Tracks\\", "Oval", ".enf"},
        {"Textures/road.tga", "", "Textures/", "road", ".tga"},
        {"noext", "", "", "noext", ""},
    };
    for (const PathCase& c : kCases) {
        EnFilePath kPath(c.m_pcPath);
        EXPECT_STREQ(kPath.GetDrive(), c.m_pcDrive);
        EXPECT_STREQ(kPath.GetDir(), c.m_pcDir);
        EXPECT_STREQ(kPath.GetFileName(), c.m_pcName);
        EXPECT_STREQ(kPath.GetExt(), c.m_pcExt);
        char ac[260];
        EXPECT_TRUE(kPath.MakePath(ac));
        EXPECT_STREQ(ac, c.m_pcPath);
    }
    EXPECT_EQ(EnFilePath::GetMaxPathLength(), 260u);
}

TEST(EnFilePath, PathThatDoesNotFitGivesAnEmptyText) {
    EnFilePath kPath("x.tga");
    kPath.SetDir(std::string(255, 'd').c_str());
    char ac[260];
    EXPECT_FALSE(kPath.MakePath(ac));
    EXPECT_STREQ(ac, "");
}

}  // namespace
