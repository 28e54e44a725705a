#include "engine/core/EnStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/EnStdioFile.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/TempDir.h"

// Test classes written the way engine classes are: base step first, then own fields.

// Every kind of field.
class StreamLeaf : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    ~StreamLeaf() override { delete[] m_pcName; }
    void SetName(const char* pcName) {
        delete[] m_pcName;
        m_pcName = pcName ? strcpy(new char[strlen(pcName) + 1], pcName) : nullptr;
    }

    void LoadFromStream(EnStream& kStream) override {
        EnObject::LoadFromStream(kStream);
        kStream.ReadU8(m_ucByte);
        kStream.ReadU16(m_usShort);
        kStream.ReadI32(m_iInt);
        kStream.ReadF32(m_fFloat);
        kStream.ReadBool(m_bFlag);
        delete[] m_pcName;
        kStream.LoadCString(m_pcName);
        uint32_t uiCount = 0;
        if (!kStream.ReadU32(uiCount) || !kStream.CheckCount(uiCount, 1)) return;
        m_kBlob.resize(uiCount);
        kStream.ReadBytes(m_kBlob.data(), uiCount);
    }
    void SaveToStream(EnStream& kStream) override {
        EnObject::SaveToStream(kStream);
        kStream.WriteU8(m_ucByte);
        kStream.WriteU16(m_usShort);
        kStream.WriteI32(m_iInt);
        kStream.WriteF32(m_fFloat);
        kStream.WriteBool(m_bFlag);
        kStream.SaveCString(m_pcName);
        kStream.WriteU32(uint32_t(m_kBlob.size()));
        kStream.WriteBytes(m_kBlob.data(), uint32_t(m_kBlob.size()));
    }
    bool EqualsObject(const EnObject* pObject) const override {
        if (!EnObject::EqualsObject(pObject)) return false;
        auto* p = static_cast<const StreamLeaf*>(pObject);
        bool bNames = (!m_pcName && !p->m_pcName) ||
                      (m_pcName && p->m_pcName && strcmp(m_pcName, p->m_pcName) == 0);
        return bNames && m_ucByte == p->m_ucByte && m_usShort == p->m_usShort &&
               m_iInt == p->m_iInt && m_fFloat == p->m_fFloat && m_bFlag == p->m_bFlag &&
               m_kBlob == p->m_kBlob;
    }

    uint8_t m_ucByte = 0;
    uint16_t m_usShort = 0;
    int32_t m_iInt = 0;
    float m_fFloat = 0;
    bool m_bFlag = false;
    char* m_pcName = nullptr;
    std::vector<uint8_t> m_kBlob;
};
EN_IMPLEMENT_RTTI(StreamLeaf, EnObject);
EN_IMPLEMENT_STREAM(StreamLeaf);

// Links: a kind-checked one to a leaf and a list of children of any class.
class StreamNode : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    struct LinkRecord : EnObject::LinkRecord {
        uint32_t m_uiSharedID = 0;
        std::vector<uint32_t> m_kChildIDs;
    };

    void LoadFromStream(EnStream& kStream) override {
        EnObject::LoadFromStream(kStream);
        kStream.ReadU32(m_uiValue);
        LinkRecord* pRecord = kStream.GetLinkRecord<LinkRecord>();
        if (!pRecord) return;
        kStream.ReadLinkID(pRecord->m_uiSharedID);
        uint32_t uiCount = 0;
        if (!kStream.ReadU32(uiCount) || !kStream.CheckCount(uiCount, 4)) return;
        pRecord->m_kChildIDs.resize(uiCount);
        kStream.ReadU32Array(pRecord->m_kChildIDs.data(), uiCount);
    }
    void LinkFromStream(EnStream& kStream) override {
        EnObject::LinkFromStream(kStream);
        LinkRecord* pRecord = kStream.GetLinkRecord<LinkRecord>();
        if (!pRecord) return;
        m_spShared = kStream.FindLink<StreamLeaf>(pRecord->m_uiSharedID);
        for (uint32_t i = 0; i < pRecord->m_kChildIDs.size(); i++)
            m_kChildren.SetAtGrow(i, kStream.FindLink(pRecord->m_kChildIDs[i]));
    }
    bool RegisterForSave(EnStream& kStream) override {
        if (!EnObject::RegisterForSave(kStream)) return false;
        if (m_spShared) m_spShared->RegisterForSave(kStream);
        for (const EnPointer<EnObject>& spChild : m_kChildren)
            if (spChild) spChild->RegisterForSave(kStream);
        return true;
    }
    void SaveToStream(EnStream& kStream) override {
        EnObject::SaveToStream(kStream);
        kStream.WriteU32(m_uiValue);
        kStream.WriteLinkID(m_spShared);
        kStream.WriteU32(m_kChildren.GetSize());
        for (const EnPointer<EnObject>& spChild : m_kChildren) kStream.WriteLinkID(spChild);
    }
    bool EqualsObject(const EnObject* pObject) const override {
        if (!EnObject::EqualsObject(pObject)) return false;
        auto* p = static_cast<const StreamNode*>(pObject);
        if (m_uiValue != p->m_uiValue || m_kChildren.GetSize() != p->m_kChildren.GetSize())
            return false;
        if (!m_spShared != !p->m_spShared ||
            (m_spShared && !m_spShared->EqualsObject(p->m_spShared)))
            return false;
        for (uint32_t i = 0; i < m_kChildren.GetSize(); i++) {
            EnObject* a = m_kChildren.GetAt(i);
            EnObject* b = p->m_kChildren.GetAt(i);
            if (!a != !b || (a && !a->EqualsObject(b))) return false;
        }
        return true;
    }
    void AfterLinks() override { ms_iAfterLinks++; }

    uint32_t m_uiValue = 0;
    EnPointer<StreamLeaf> m_spShared;
    EnTArray<EnPointer<EnObject>> m_kChildren{1, 1};
    static inline int ms_iAfterLinks = 0;
};
EN_IMPLEMENT_RTTI(StreamNode, EnObject);
EN_IMPLEMENT_STREAM(StreamNode);

class StreamAbstract : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;
};
EN_IMPLEMENT_RTTI(StreamAbstract, EnObject);
EN_IMPLEMENT_ABSTRACT_STREAM(StreamAbstract);

// Shared by name through the stream's image map, as images are: a second record of the same
// name hands back the first object.
class StreamNamed : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    void LoadFromStream(EnStream& kStream) override {
        EnObject::LoadFromStream(kStream);
        char* pcName = nullptr;
        kStream.LoadCString(pcName);
        m_kName = pcName ? pcName : "";
        delete[] pcName;
    }
    void SaveToStream(EnStream& kStream) override {
        EnObject::SaveToStream(kStream);
        kStream.SaveCString(m_kName.c_str());
    }
    std::string m_kName;
};
EN_IMPLEMENT_RTTI(StreamNamed, EnObject);

void StreamNamed::CreateFromStream(EnStream& kStream, EnObject*& pObject) {
    auto* pNew = new StreamNamed;
    pObject = pNew;
    EnBeginLoadRecord(kStream, std::make_unique<LinkRecord>());
    pNew->LoadFromStream(kStream);
    if (kStream.HasFailed()) return;
    if (StreamNamed* pEarlier = kStream.FindImage<StreamNamed>(pNew->m_kName.c_str())) {
        // The link map lets go of the new object, which then goes.
        kStream.ReplaceLink(kStream.GetLinkRecord()->m_uiLinkID, pEarlier);
        pObject = pEarlier;
        return;
    }
    kStream.InsertImage(pNew->m_kName.c_str(), pNew);
}
EN_IMPLEMENT_STREAM_LOADER(StreamNamed);

namespace {

// Scene-file bytes built field by field.
struct EnfBytes {
    std::string m_k;

    EnfBytes& Header(const std::string& kLine1 = EnStream::FILE_HEADER_LINE, size_t uiLine2 = 47,
                     const char* pcEnd = "\n") {
        m_k += kLine1 + pcEnd;
        m_k += std::string(uiLine2, 'v') + pcEnd;
        m_k += std::string(23, 'r') + pcEnd;
        m_k += std::string("All Rights Reserved") + pcEnd;
        return *this;
    }
    EnfBytes& U8(uint8_t v) {
        m_k += char(v);
        return *this;
    }
    EnfBytes& U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
    EnfBytes& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
    EnfBytes& Str(const std::string& k) {
        U32(uint32_t(k.size()));
        m_k += k;
        return *this;
    }
    // A leaf record with every field, of class StreamLeaf.
    EnfBytes& Leaf(uint32_t uiLinkID, uint32_t uiBlob = 0) {
        Str("StreamLeaf").U32(uiLinkID).U8(1).U16(2).U32(3).U32(0x3f800000).U8(1).Str("leaf");
        U32(uiBlob);
        m_k += std::string(uiBlob, 'b');
        return *this;
    }
    EnfBytes& Node(uint32_t uiLinkID, uint32_t uiShared, std::vector<uint32_t> kChildren) {
        Str("StreamNode").U32(uiLinkID).U32(5).U32(uiShared).U32(uint32_t(kChildren.size()));
        for (uint32_t uiChild : kChildren) U32(uiChild);
        return *this;
    }
    EnfBytes& Top() { return Str("Top Level Object"); }
    EnfBytes& End() { return Str("End Of File"); }
};

struct LoadCase {
    const char* m_pcWhat;
    std::string m_kBytes;
    bool m_bResult;
    uint32_t m_uiCode;
    std::string m_kText;  // "<file>" stands for the file's path
    const char* m_pcVersion;
};

std::string Cut(const std::string& k, size_t uiBytes) {
    return k.substr(0, k.size() - uiBytes);
}

std::string Expand(std::string kText, const std::string& kPath) {
    size_t uiAt = kText.find("<file>");
    if (uiAt != std::string::npos) kText.replace(uiAt, 6, kPath);
    return kText;
}

TEST(EnStream, HeaderVersionsAndErrorCodes) {
    const std::string kLine1 = EnStream::FILE_HEADER_LINE;
    const std::string kTag = "Ensemblage File Format, Version ";
    const LoadCase kCases[] = {
        {"current header", EnfBytes().Header().End().m_k, true, 0, "", "3.1"},
        {"version 3.0 gets a 0", EnfBytes().Header(kTag + "3.0").End().m_k, true, 0, "", "3.00"},
        {"version 3.05", EnfBytes().Header(kTag + "3.05").End().m_k, true, 0, "", "3.05"},
        {"version 2.6", EnfBytes().Header(kTag + "2.6").End().m_k, false, 3,
         "2.60 is older version, expecting 3.1", nullptr},
        {"version 4.0", EnfBytes().Header(kTag + "4.0").End().m_k, false, 4,
         "4.00 is later version, expecting 3.1", nullptr},
        {"carriage returns", EnfBytes().Header(kLine1, 47, "\r\n").End().m_k, false, 4,
         "3.1\r is later version, expecting 3.1", nullptr},
        {"version too long for its field", EnfBytes().Header(kTag + "3.1.2").End().m_k, false, 2,
         "is not a ENF file", nullptr},
        {"line 2 of 46 characters", EnfBytes().Header(kLine1, 46).End().m_k, false, 2,
         "is not a ENF file", nullptr},
        {"line 2 of other text", EnfBytes().Header(kLine1, 47).End().m_k, true, 0, "", "3.1"},
        {"tag cut short", EnfBytes().Header("Ensemblage File Format, Versio 3.1").End().m_k, false,
         2, "is not a ENF file", nullptr},
        {"another format", "GIF89a" + std::string(100, '\0'), false, 2, "is not a ENF file",
         nullptr},
        {"empty file", "", false, 2, "is not a ENF file", nullptr},
        {"header without body", EnfBytes().Header().m_k, false, 6, "<file> is truncated", nullptr},
        {"string longer than the file", EnfBytes().Header().U32(0x7fffffff).m_k + "Stream", false,
         6, "<file> is truncated", nullptr},
        {"record cut short", Cut(EnfBytes().Header().Leaf(1).m_k, 5), false, 6,
         "<file> is truncated", nullptr},
        {"no end marker", EnfBytes().Header().Top().Leaf(1).m_k, false, 6, "<file> is truncated",
         nullptr},
        {"blob count beyond the file",
         EnfBytes()
             .Header()
             .Str("StreamLeaf")
             .U32(1)
             .U8(1)
             .U16(2)
             .U32(3)
             .U32(0)
             .U8(0)
             .Str("x")
             .U32(0xffffffff)
             .End()
             .m_k,
         false, 6, "<file> is truncated", nullptr},
        {"child count beyond the file",
         EnfBytes().Header().Str("StreamNode").U32(1).U32(5).U32(0).U32(0x40000000).End().m_k,
         false, 6, "<file> is truncated", nullptr},
        {"unknown class", EnfBytes().Header().Str("EnMystery").End().m_k, false, 5,
         "EnMystery cannot find create function", nullptr},
        {"class name of other case", EnfBytes().Header().Str("streamleaf").End().m_k, false, 5,
         "streamleaf cannot find create function", nullptr},
        {"null class name", EnfBytes().Header().U32(0xfffffff0).End().m_k, false, 5,
         " cannot find create function", nullptr},
        {"abstract class", EnfBytes().Header().Str("StreamAbstract").End().m_k, false, 9,
         "StreamAbstract is an abstract class", nullptr},
        {"link ID 0", EnfBytes().Header().Leaf(0).End().m_k, false, 10, "StreamLeaf has no link ID",
         nullptr},
        {"duplicate link ID", EnfBytes().Header().Leaf(7).Leaf(7).End().m_k, false, 8,
         "7 is a duplicate link ID", nullptr},
        {"link of the wrong class",
         EnfBytes().Header().Top().Node(1, 2, {}).Node(2, 0, {}).End().m_k, false, 7,
         "StreamNode is wrong link class, expecting StreamLeaf", nullptr},
        {"dangling link", EnfBytes().Header().Top().Node(1, 9, {8}).End().m_k, true, 0, "", "3.1"},
        {"top-level marker before the end", EnfBytes().Header().Top().End().m_k, false, 5,
         "End Of File cannot find create function", nullptr},
    };
    TempDir kDir;
    DebugCapture kQuiet;
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    for (const LoadCase& c : kCases) {
        std::string kPath = kDir.Write("case.enf", c.m_kBytes);
        {
            EnStream kStream;
            EXPECT_EQ(kStream.Load(kPath.c_str()), c.m_bResult) << c.m_pcWhat;
            EXPECT_EQ(EnStream::GetLastErrorCode(), c.m_uiCode) << c.m_pcWhat;
            EXPECT_EQ(EnStream::GetLastErrorText(), Expand(c.m_kText, kPath)) << c.m_pcWhat;
            if (c.m_pcVersion) {
                EXPECT_STREQ(kStream.GetFileVersion(), c.m_pcVersion) << c.m_pcWhat;
            }
            EXPECT_EQ(kStream.GetLinkCount(), 0u) << c.m_pcWhat;
        }
        EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive) << c.m_pcWhat;
    }
}

TEST(EnStream, MissingLoaderIsExplainedOnTheDebugOutput) {
    TempDir kDir;
    std::string kPath = kDir.Write("m.enf", EnfBytes().Header().Str("EnMystery").End().m_k);
    DebugCapture kDebug;
    EnStream kStream;
    EXPECT_FALSE(kStream.Load(kPath.c_str()));
    EXPECT_EQ(kDebug.Text(),
              "\nEnStream: Unable to find loader for class EnMystery.\n"
              "* Make sure you are linking in the library that contains this class.\n"
              "* Make sure one of your source files includes the top level header file for "
              "that library\n\n");
}

TEST(EnStream, ErrorsOfOpeningNameTheFileAndFitTheirBuffer) {
    TempDir kDir;
    EnStream kStream;
    std::string kPath = kDir.File("absent.enf");
    EXPECT_FALSE(kStream.Load(kPath.c_str()));
    EXPECT_EQ(EnStream::GetLastErrorCode(), 1u);
    EXPECT_EQ(std::string(EnStream::GetLastErrorText()), kPath + " cannot load file");

    std::string kLong = kDir.File(std::string(240, 'x') + ".enf");
    EXPECT_FALSE(kStream.Load(kLong.c_str()));
    std::string kText = EnStream::GetLastErrorText();
    EXPECT_EQ(kText.size(), 255u);
    EXPECT_EQ(kText, (kLong + " cannot load file").substr(0, 255));

    EnStream kFresh;  // a new stream resets the last error
    EXPECT_EQ(EnStream::GetLastErrorCode(), 0u);
    EXPECT_STREQ(EnStream::GetLastErrorText(), "");
}

TEST(EnStream, FailedLoadKeepsTopLevelObjectsReadBeforeTheFailure) {
    TempDir kDir;
    std::string kPath =
        kDir.Write("f.enf", EnfBytes().Header().Top().Leaf(1).Leaf(2).Str("EnMystery").End().m_k);
    DebugCapture kQuiet;
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        EnStream kStream;
        EXPECT_FALSE(kStream.Load(kPath.c_str()));
        EXPECT_EQ(kStream.GetObjectCount(), 1u);
        EXPECT_EQ(kStream.GetLinkCount(), 0u);
        EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 1);  // the other leaf is gone
        kStream.ReleaseTopObjects();
        EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
    }
}

// A small graph: two top-level nodes sharing leaves, one child list with a hole.
struct Graph {
    EnPointer<StreamNode> m_spRoot = new StreamNode;
    EnPointer<StreamNode> m_spOther = new StreamNode;
    EnPointer<StreamLeaf> m_spShared = new StreamLeaf;
    EnPointer<StreamLeaf> m_spLeaf = new StreamLeaf;

    Graph() {
        m_spRoot->m_uiValue = 1;
        m_spOther->m_uiValue = 2;
        m_spShared->SetName("shared");
        m_spShared->m_ucByte = 200;
        m_spShared->m_usShort = 65000;
        m_spShared->m_iInt = -5;
        m_spShared->m_fFloat = 0.25f;
        m_spShared->m_bFlag = true;
        m_spShared->m_kBlob = {1, 2, 3, 0, 255};
        m_spLeaf->m_iInt = 77;  // and a null name
        m_spRoot->m_spShared = m_spShared;
        m_spRoot->m_kChildren.SetAtGrow(0, m_spOther.Get());
        m_spRoot->m_kChildren.SetAtGrow(2, m_spLeaf.Get());
        m_spOther->m_spShared = m_spShared;
        m_spOther->m_kChildren.SetAtGrow(0, m_spShared.Get());
    }
};

size_t CountOf(const std::string& kHaystack, const std::string& kNeedle) {
    size_t uiCount = 0;
    for (size_t i = kHaystack.find(kNeedle); i != std::string::npos;
         i = kHaystack.find(kNeedle, i + 1))
        uiCount++;
    return uiCount;
}

TEST(EnStream, SaveLoadSaveIsByteIdentical) {
    TempDir kDir;
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        Graph kGraph;
        EnStream kSave;
        kSave.InsertObject(kGraph.m_spRoot);
        kSave.InsertObject(kGraph.m_spOther);
        ASSERT_TRUE(kSave.Save(kDir.File("a.enf").c_str()));
        ASSERT_TRUE(kSave.Save(kDir.File("b.enf").c_str()));
        std::string kFirst = TempDir::Read(kDir.File("a.enf"));
        EXPECT_EQ(TempDir::Read(kDir.File("b.enf")), kFirst);  // deterministic: no addresses

        // Each object is written once, shared or not; both top-level records are marked.
        EXPECT_EQ(CountOf(kFirst, "StreamLeaf"), 2u);
        EXPECT_EQ(CountOf(kFirst, "StreamNode"), 2u);
        EXPECT_EQ(CountOf(kFirst, "Top Level Object"), 2u);
        EXPECT_EQ(kFirst.substr(0, 36), std::string(EnStream::FILE_HEADER_LINE) + "\n");
        EXPECT_EQ(kFirst.substr(kFirst.size() - 15), std::string("\x0b\0\0\0End Of File", 15));

        StreamNode::ms_iAfterLinks = 0;
        EnStream kLoad;
        ASSERT_TRUE(kLoad.Load(kDir.File("a.enf").c_str()));
        EXPECT_EQ(StreamNode::ms_iAfterLinks, 2);
        ASSERT_EQ(kLoad.GetObjectCount(), 2u);
        auto* pRoot = EnDynamicCast(StreamNode, kLoad.GetObjectAt(0));
        auto* pOther = EnDynamicCast(StreamNode, kLoad.GetObjectAt(1));
        ASSERT_TRUE(pRoot && pOther);
        EXPECT_TRUE(pRoot->EqualsObject(kGraph.m_spRoot));
        EXPECT_EQ(pRoot->m_kChildren.GetAt(0), pOther);
        EXPECT_EQ(pRoot->m_kChildren.GetAt(1), nullptr);
        EXPECT_EQ(pRoot->m_kChildren.GetSize(), 3u);
        // The shared leaf is one object, linked from three places.
        EXPECT_EQ(pRoot->m_spShared.Get(), pOther->m_spShared.Get());
        EXPECT_EQ(pOther->m_kChildren.GetAt(0), pOther->m_spShared.Get());
        EXPECT_EQ(pOther->m_spShared->GetRefCount(), 3);
        EXPECT_STREQ(pRoot->m_spShared->m_pcName, "shared");
        EXPECT_EQ(static_cast<StreamLeaf*>(pRoot->m_kChildren.GetAt(2).Get())->m_pcName, nullptr);

        ASSERT_TRUE(kLoad.Save(kDir.File("c.enf").c_str()));
        EXPECT_EQ(TempDir::Read(kDir.File("c.enf")), kFirst);
        EXPECT_STREQ(kLoad.GetFileName(), kDir.File("c.enf").c_str());
        ASSERT_TRUE(kLoad.Load(nullptr));  // the name of the last save
        EXPECT_EQ(kLoad.GetObjectCount(), 2u);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnStream, CompareAfterLoadMatchesTheObjectsOfTheEarlierSave) {
    TempDir kDir;
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        Graph kGraph;
        EnStream kStream;
        kStream.SetCompareAfterLoad(true);
        kStream.InsertObject(kGraph.m_spRoot);
        ASSERT_TRUE(kStream.Save(kDir.File("g.enf").c_str()));
        ASSERT_TRUE(kStream.Load(kDir.File("g.enf").c_str()));
        EXPECT_TRUE(kStream.GetCompareResult());

        kGraph.m_spLeaf->m_iInt = 78;  // now differs from what the file holds
        EXPECT_TRUE(kStream.Load(kDir.File("g.enf").c_str()));  // the result does not depend on it
        EXPECT_FALSE(kStream.GetCompareResult());
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnStream, ObjectSharedThroughTheImageMapIsListedOnce) {
    TempDir kDir;
    std::string kPath = kDir.Write("n.enf", EnfBytes()
                                                .Header()
                                                .Top()
                                                .Str("StreamNamed")
                                                .U32(1)
                                                .Str("rock.tga")
                                                .Top()
                                                .Str("StreamNamed")
                                                .U32(2)
                                                .Str("rock.tga")
                                                .Top()
                                                .Node(3, 0, {1, 2})
                                                .End()
                                                .m_k);
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        EnStream kStream;
        ASSERT_TRUE(kStream.Load(kPath.c_str()));
        ASSERT_EQ(kStream.GetObjectCount(), 2u);
        EnObject* pNamed = kStream.GetObjectAt(0);
        auto* pNode = EnDynamicCast(StreamNode, kStream.GetObjectAt(1));
        ASSERT_TRUE(pNode);
        EXPECT_EQ(pNode->m_kChildren.GetAt(0), pNamed);
        EXPECT_EQ(pNode->m_kChildren.GetAt(1), pNamed);
        EXPECT_EQ(kStream.FindImage<StreamNamed>("rock.tga"), pNamed);
        EXPECT_EQ(kStream.FindImage<StreamNamed>("ROCK.tga"), nullptr);
        EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 2);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnStream, LinkMapAnswersOnlyWhatWasEntered) {
    EnStream kStream;
    StreamLeaf kLeaf;
    StreamNode kNode;
    kLeaf.AddReference();  // the map's reference must not be its last
    kNode.AddReference();
    EXPECT_FALSE(kStream.InsertLink(0, &kLeaf));
    EXPECT_TRUE(kStream.InsertLink(40, &kLeaf));
    EXPECT_FALSE(kStream.InsertLink(40, &kNode));
    EXPECT_TRUE(kStream.InsertLink(40 + 32768, &kNode));  // same bucket
    EXPECT_EQ(kStream.FindLink(40), &kLeaf);
    EXPECT_EQ(kStream.FindLink(40 + 32768), &kNode);
    EXPECT_EQ(kStream.FindLink(0), nullptr);
    EXPECT_EQ(kStream.FindLink(41), nullptr);
    EXPECT_EQ(kStream.FindLink<StreamLeaf>(40), &kLeaf);
    EXPECT_EQ(kStream.GetLinkCount(), 2u);
    kStream.ReplaceLink(40, &kNode);
    EXPECT_EQ(kStream.FindLink(40), &kNode);
    kStream.ClearLinks();
    EXPECT_EQ(kStream.GetLinkCount(), 0u);
    EXPECT_EQ(kStream.FindLink(40), nullptr);
    EXPECT_EQ(kLeaf.GetRefCount(), 1);
    EXPECT_EQ(kNode.GetRefCount(), 1);
}

FILE* OpenTempOnFullDisk(const char* pcPath, const char* pcMode) {
    size_t uiLen = strlen(pcPath);
    if (uiLen > 4 && strcmp(pcPath + uiLen - 4, ".tmp") == 0) return fopen("/dev/full", pcMode);
    return fopen(pcPath, pcMode);
}

TEST(EnStream, SaveThatCannotWriteFailsAndKeepsTheOldFile) {
    TempDir kDir;
    std::string kPath = kDir.Write("keep.enf", "old contents");
    Graph kGraph;
    EnStream kStream;
    kStream.InsertObject(kGraph.m_spRoot);
    SetFileOpenHook(&OpenTempOnFullDisk);
    bool bSaved = kStream.Save(kPath.c_str());
    SetFileOpenHook(nullptr);
    EXPECT_FALSE(bSaved);
    EXPECT_EQ(TempDir::Read(kPath), "old contents");
    EXPECT_FALSE(kStream.Save(kDir.File("no/such/dir/x.enf").c_str()));
}

// A file that cannot tell its length (a pipe, say): reads are still bounded by what arrives.
struct UnseekableFile {
    std::string m_kData;
    size_t m_uiPos = 0;
    static ssize_t Read(void* pvCookie, char* pcOut, size_t uiSize) {
        auto* p = static_cast<UnseekableFile*>(pvCookie);
        size_t uiTake = std::min(uiSize, p->m_kData.size() - p->m_uiPos);
        memcpy(pcOut, p->m_kData.data() + p->m_uiPos, uiTake);
        p->m_uiPos += uiTake;
        return ssize_t(uiTake);
    }
};
UnseekableFile* s_pUnseekable = nullptr;

FILE* OpenUnseekable(const char*, const char*) {
    s_pUnseekable->m_uiPos = 0;
    cookie_io_functions_t kFunctions = {&UnseekableFile::Read, nullptr, nullptr, nullptr};
    return fopencookie(s_pUnseekable, "rb", kFunctions);
}

TEST(EnStream, FileOfUnknownLengthLoadsAndStopsAtItsEnd) {
    UnseekableFile kGood{EnfBytes().Header().Top().Leaf(1, 3).End().m_k};
    UnseekableFile kHostile{EnfBytes().Header().U32(0x7ffffff0).m_k + "StreamLeaf"};
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        EnStream kStream;
        SetFileOpenHook(&OpenUnseekable);
        s_pUnseekable = &kGood;
        bool bGood = kStream.Load("good.enf");
        uint32_t uiGoodObjects = kStream.GetObjectCount();
        s_pUnseekable = &kHostile;
        bool bHostile = kStream.Load("hostile.enf");
        SetFileOpenHook(nullptr);
        EXPECT_TRUE(bGood);
        EXPECT_EQ(uiGoodObjects, 1u);
        EXPECT_FALSE(bHostile);
        EXPECT_EQ(EnStream::GetLastErrorCode(), uint32_t(EnStream::ERROR_TRUNCATED));
        EXPECT_EQ(kStream.GetObjectCount(), 0u);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnStream, VersionTextDecidesWhichFieldsARecordHolds) {
    TempDir kDir;
    std::string kPath =
        kDir.Write("v.enf", EnfBytes().Header("Ensemblage File Format, Version 3.0").End().m_k);
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kPath.c_str()));
    EXPECT_TRUE(kStream.IsVersionAtLeast("3.00"));
    EXPECT_FALSE(kStream.IsVersionAtLeast("3.04"));
    ASSERT_TRUE(kStream.Save(kDir.File("w.enf").c_str()));
    EXPECT_STREQ(kStream.GetFileVersion(), "3.1");
    EXPECT_TRUE(kStream.IsVersionAtLeast("3.05"));
}

TEST(EnStream, FieldReadsPastTheEndGiveZerosAndFail) {
    TempDir kDir;
    // One complete leaf, then a record that stops inside its float.
    std::string kBytes =
        EnfBytes().Header().Str("StreamLeaf").U32(1).U8(9).U16(0x1234).U32(7).m_k + "\x01\x02";
    std::string kPath = kDir.Write("t.enf", kBytes);
    EnStream kStream;
    EXPECT_FALSE(kStream.Load(kPath.c_str()));
    EXPECT_EQ(EnStream::GetLastErrorCode(), uint32_t(EnStream::ERROR_TRUNCATED));
    EXPECT_TRUE(kStream.HasFailed());
    uint32_t v = 99;
    EXPECT_FALSE(kStream.ReadU32(v));  // no load under way
    EXPECT_EQ(v, 0u);
}

TEST(EnStream, FindImageFileTriesTheNameThenTheCurrentDirectoryThenTheSceneDirectory) {
    TempDir kDir;
    std::string kScene = kDir.Write("scene.enf", EnfBytes().Header().End().m_k);
    kDir.Write("beside_scene_7f3a.tga", "img");
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kScene.c_str()));

    auto Find = [&](const std::string& kName, std::string& kResult) {
        char* pcName = strcpy(new char[kName.size() + 1], kName.c_str());
        bool bFound = kStream.FindImageFile(pcName);
        kResult = pcName;
        delete[] pcName;
        return bFound;
    };
    std::string kResult;
    std::string kExisting = kDir.File("beside_scene_7f3a.tga");
    EXPECT_TRUE(Find(kExisting, kResult));
    EXPECT_EQ(kResult, kExisting);
    EXPECT_TRUE(Find("C:\\Art\\Textures\\beside_scene_7f3a.tga", kResult));
    EXPECT_EQ(kResult, kDir.Path() + "/beside_scene_7f3a.tga");
    EXPECT_FALSE(Find("C:\\Art\\missing_7f3a.tga", kResult));
    EXPECT_EQ(kResult, "C:\\Art\\missing_7f3a.tga");
}

}  // namespace
