#include "engine/core/EnViewerStrings.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>

namespace {

std::string Take(char* pc) {
    std::unique_ptr<char[]> sp(pc);
    return sp.get();
}

struct FormatCase {
    std::string m_kMade;
    const char* m_pcExpected;
};

// The whole text must come out: a formatter whose room were too small would cut it.
TEST(EnViewerStrings, FormatsEveryKindInFull) {
    const FormatCase kCases[] = {
        {Take(MakeViewerTitle("EnNode")), "--- EnNode ---"},
        {Take(MakeViewerBool("m_bAppCulled", true)), "m_bAppCulled = true"},
        {Take(MakeViewerBool("m_bAppCulled", false)), "m_bAppCulled = false"},
        {Take(MakeViewerByte("m_ucRef", 255)), "m_ucRef = 255"},
        {Take(MakeViewerShort("m_sValue", SHRT_MIN)), "m_sValue = -32768"},
        {Take(MakeViewerUShort("m_usVertices", 65535)), "m_usVertices = 65535"},
        {Take(MakeViewerInt("m_iRefCount", INT_MIN)), "m_iRefCount = -2147483648"},
        {Take(MakeViewerUInt("m_uiSize", UINT_MAX)), "m_uiSize = 4294967295"},
        {Take(MakeViewerFloat("m_fScale", -FLT_MAX)), "m_fScale = -3.402823e+38"},
        {Take(MakeViewerFloat("m_fScale", 1.0f)), "m_fScale = 1.000000e+00"},
        {Take(MakeViewerDouble("m_dTime", -DBL_MAX)), "m_dTime = -1.797693e+308"},
        {Take(MakeViewerString("m_pString", "text")), "m_pString = text"},
        {Take(MakeViewerString("m_pString", "")), "m_pString = "},
        {Take(MakeViewerString("m_pString", nullptr)), "m_pString = NULL"},
        {Take(MakeViewerTitle("")), "---  ---"},
    };
    for (const FormatCase& c : kCases) EXPECT_EQ(c.m_kMade, c.m_pcExpected);
}

TEST(EnViewerStrings, PointersKeepAllTheirDigits) {
    const void* pv = reinterpret_cast<const void*>(uintptr_t(0xfedcba9876543210ull));
    char ac[64];
    std::snprintf(ac, sizeof ac, "m_pNext = %p", pv);
    EXPECT_EQ(Take(MakeViewerPointer("m_pNext", pv)), ac);
    EXPECT_EQ(Take(MakeViewerPointer("m_pNext", pv)).size(),
              std::string("m_pNext = 0x").size() + 16);
}

TEST(EnViewerStrings, FreeEmptiesTheArray) {
    EnTArray<char*> kStrings(1, 1);
    kStrings.Add(MakeViewerTitle("EnObject"));
    kStrings.Add(MakeViewerInt("m_iRefCount", 3));
    EXPECT_STREQ(kStrings.GetAt(1), "m_iRefCount = 3");
    EnFreeViewerStrings(kStrings);
    EXPECT_EQ(kStrings.GetSize(), 0u);
    EXPECT_EQ(kStrings.GetEffectiveSize(), 0u);
}

}  // namespace
