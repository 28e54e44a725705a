#include <gtest/gtest.h>

#include <string>

#include "engine/core/EnObject.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnSystem.h"

// Registered through the macros as every engine class is: these units register at start-up.
class LoaderProbe : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;
};
EN_IMPLEMENT_RTTI(LoaderProbe, EnObject);
EN_IMPLEMENT_STREAM(LoaderProbe);

class LoaderAbstractProbe : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;
};
EN_IMPLEMENT_RTTI(LoaderAbstractProbe, EnObject);
EN_IMPLEMENT_ABSTRACT_STREAM(LoaderAbstractProbe);

namespace {

int CountEntries(const char* pcName) {
    int iCount = 0;
    for (EnTMapIterator pos = EnStream::ms_pLoaders->GetFirstPos(); pos;) {
        const char* pcKey;
        EnCreateFunction pfn;
        EnStream::ms_pLoaders->GetNext(pos, pcKey, pfn);
        if (std::string(pcKey) == pcName) iCount++;
    }
    return iCount;
}

TEST(EnLoaderMap, RegistrationHappensOnceAtStartUp) {
    ASSERT_NE(EnStream::ms_pLoaders, nullptr);
    EXPECT_EQ(EnStream::ms_pLoaders->GetHashSize(), 37u);
    EXPECT_EQ(s_iEnRegisteredLoaderProbe, 1);  // the start-up call was the first
    uint32_t uiCount = EnStream::ms_pLoaders->GetCount();
    EXPECT_EQ(LoaderProbe::RegisterLoader(), 0);
    EXPECT_EQ(LoaderProbe::RegisterLoader(), 0);
    EXPECT_EQ(EnStream::ms_pLoaders->GetCount(), uiCount);
    EXPECT_EQ(CountEntries("LoaderProbe"), 1);
    EXPECT_EQ(s_iEnRegisteredLoaderAbstractProbe, 1);
    EXPECT_EQ(LoaderAbstractProbe::RegisterLoader(), 0);
}

struct HashCase {
    const char* m_pcName;
    uint32_t m_uiHash;
    uint32_t m_uiBucket;
};

TEST(EnLoaderMap, HashesNamesIntoThirtySevenBuckets) {
    const HashCase kCases[] = {
        {"EnNode", 2833720793u, 17},
        {"EnObject", 2159362474u, 35},
        {"abc", 108966u, 108966u % 37},
    };
    for (const HashCase& c : kCases) {
        EXPECT_EQ(EnTStringMap<EnCreateFunction>::HashString(c.m_pcName), c.m_uiHash) << c.m_pcName;
        EXPECT_EQ(EnStream::ms_pLoaders->HashKey(c.m_pcName), c.m_uiBucket) << c.m_pcName;
    }
}

struct LookupCase {
    const char* m_pcName;
    EnCreateFunction m_pfnExpected;
};

TEST(EnLoaderMap, LookupIsExactAndCaseSensitive) {
    const EnCreateFunction pfnEmpty = static_cast<EnCreateFunction>(&DoNothing);
    const LookupCase kCases[] = {
        {"LoaderProbe", &LoaderProbe::CreateFromStream},
        {"loaderprobe", nullptr},
        {"LoaderProbe ", nullptr},
        {"LoaderProb", nullptr},
        {"LoaderAbstractProbe", pfnEmpty},  // abstract: the shared empty function
        {"EnObject", pfnEmpty},
        {"", nullptr},
        {nullptr, nullptr},
    };
    for (const LookupCase& c : kCases)
        EXPECT_EQ(EnStream::FindLoader(c.m_pcName), c.m_pfnExpected)
            << (c.m_pcName ? c.m_pcName : "(null)");
}

TEST(EnLoaderMap, EmptyFunctionMakesNoObject) {
    EnStream kStream;
    EnObject* pObject = nullptr;
    EnStream::FindLoader("LoaderAbstractProbe")(kStream, pObject);
    EXPECT_EQ(pObject, nullptr);
    LoaderAbstractProbe::CreateFromStream(kStream, pObject);
    EXPECT_EQ(pObject, nullptr);
}

void OtherCreate(EnStream&, EnObject*& pObject) {
    pObject = nullptr;
}

TEST(EnLoaderMap, LastRegistrationOfANameWins) {
    uint32_t uiCount = EnStream::ms_pLoaders->GetCount();
    EnStream::AddLoader("LoaderProbe", &OtherCreate);
    EXPECT_EQ(EnStream::FindLoader("LoaderProbe"), &OtherCreate);
    EXPECT_EQ(EnStream::ms_pLoaders->GetCount(), uiCount);
    EnStream::AddLoader("LoaderProbe", &LoaderProbe::CreateFromStream);
    EXPECT_EQ(EnStream::FindLoader("LoaderProbe"), &LoaderProbe::CreateFromStream);
    EXPECT_EQ(CountEntries("LoaderProbe"), 1);
}

}  // namespace
