#include "engine/core/EnStream.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/core/EnFilePath.h"
#include "engine/core/EnStdioFile.h"
#include "engine/core/EnSystem.h"
#include "platform/fs/FileSystem.h"
#include "platform/sys/PathSplitter.h"

constinit EnTStringMap<EnCreateFunction>* EnStream::ms_pLoaders = nullptr;

namespace {
constinit uint32_t s_uiLastErrorCode = 0;
constinit char s_acLastErrorText[256] = {};

// Only the lengths of lines 2 to 4 are checked on reading; line 1 carries the format tag and
// the version.
constexpr const char* HEADER_LINES[4] = {
    EnStream::FILE_HEADER_LINE,
    "Scene data written by the Ensemblage 3D engine.",
    "(c) 2001 Zentra Studios",
    "All Rights Reserved",
};
constexpr size_t HEADER_LENGTHS[4] = {35, 47, 23, 19};
static_assert(std::string_view(HEADER_LINES[0]).size() == HEADER_LENGTHS[0]);
static_assert(std::string_view(HEADER_LINES[1]).size() == HEADER_LENGTHS[1]);
static_assert(std::string_view(HEADER_LINES[2]).size() == HEADER_LENGTHS[2]);
static_assert(std::string_view(HEADER_LINES[3]).size() == HEADER_LENGTHS[3]);
// "Ensemblage File Format, Version " is the format tag; the version follows it.
constexpr size_t FORMAT_TAG_LENGTH = 32;
constexpr uint32_t HEADER_LINE_CAPACITY = 128;

constexpr const char* TOP_LEVEL_MARKER = "Top Level Object";
constexpr const char* END_MARKER = "End Of File";

// Deletes the loader map at exit. Built by the first registration, so it is destroyed after
// every static that was constructed later.
struct LoaderMapOwner {
    ~LoaderMapOwner() {
        delete EnStream::ms_pLoaders;
        EnStream::ms_pLoaders = nullptr;
    }
};

const char* OrEmpty(const char* pc) {
    return pc ? pc : "";
}
}  // namespace

void EnBeginLoadRecord(EnStream& kStream, std::unique_ptr<EnObject::LinkRecord> spRecord) {
    kStream.SetLinkRecord(std::move(spRecord));
}

void EnAddLoader(const char* pcClassName, EnCreateFunction pfnCreate) {
    EnStream::AddLoader(pcClassName, pfnCreate);
}

void EnStream::AddLoader(const char* pcClassName, EnCreateFunction pfnCreate) {
    if (!ms_pLoaders) {
        static LoaderMapOwner s_kOwner;
        ms_pLoaders = new EnTStringMap<EnCreateFunction>(37);
    }
    ms_pLoaders->SetAt(pcClassName, pfnCreate);
}

EnCreateFunction EnStream::FindLoader(const char* pcClassName) {
    EnCreateFunction pfnCreate = nullptr;
    if (ms_pLoaders && pcClassName) ms_pLoaders->GetAt(pcClassName, pfnCreate);
    return pfnCreate;
}

uint32_t EnStream::GetLastErrorCode() {
    return s_uiLastErrorCode;
}

const char* EnStream::GetLastErrorText() {
    return s_acLastErrorText;
}

EnStream::EnStream() : m_spLinkBuckets(std::make_unique<LinkEntry*[]>(LINK_BUCKETS)) {
    std::strcpy(m_acVersion, FILE_VERSION);
    s_uiLastErrorCode = ERROR_NONE;
    s_acLastErrorText[0] = 0;
}

EnStream::~EnStream() {
    m_spInput.reset();
    m_spOutput.reset();
    ReleaseTopObjects();
    m_kSaveOrder.RemoveAll();
    ClearLinks();
    m_kComparedObjects.clear();
    delete[] m_pcFileName;
}

void EnStream::SetFileName(const char* pcFileName) {
    size_t uiLen = std::strlen(pcFileName);
    char* pcCopy = new char[uiLen + 1];
    std::memcpy(pcCopy, pcFileName, uiLen + 1);
    delete[] m_pcFileName;
    m_pcFileName = pcCopy;
}

bool EnStream::IsVersionAtLeast(const char* pcVersion) const {
    return std::strcmp(m_acVersion, pcVersion) >= 0;
}

void EnStream::InsertObject(EnObject* pObject) {
    if (pObject) m_kTopObjects.Add(pObject);
}

void EnStream::ReleaseTopObjects() {
    m_kTopObjects.RemoveAll();
    m_kLoadOrder.RemoveAll();
}

// ---------------------------------------------------------------------------------------------
// Errors

void EnStream::Fail(uint32_t uiCode, const char* pcFormat, ...) {
    // The first failure of a load is its cause; what follows from it is not reported.
    if (m_bFailed) return;
    m_bFailed = true;
    s_uiLastErrorCode = uiCode;
    va_list args;
    va_start(args, pcFormat);
    std::vsnprintf(s_acLastErrorText, sizeof s_acLastErrorText, pcFormat, args);
    va_end(args);
}

void EnStream::FailTruncated() {
    Fail(ERROR_TRUNCATED, "%s %s", OrEmpty(m_pcFileName), "is truncated");
}

void EnStream::FailWrongLinkClass(const EnObject* pFound, const EnTypeRecord* pExpected) {
    Fail(ERROR_WRONG_LINK_CLASS, "%s %s %s", pFound->GetClassName(),
         "is wrong link class, expecting", pExpected->GetName());
}

void EnStream::MarkRecordInvalid() {
    Fail(ERROR_BAD_RECORD, "%s %s", OrEmpty(m_pcCurrentClass), "has an invalid record");
}

uint64_t EnStream::BytesLeft() const {
    if (m_iFileLength < 0) return UINT64_MAX;
    uint64_t uiLength = uint64_t(m_iFileLength);
    return m_uiBytesRead < uiLength ? uiLength - m_uiBytesRead : 0;
}

bool EnStream::CheckCount(uint64_t uiCount, uint64_t uiElementSize) {
    if (m_bFailed) return false;
    if (uiElementSize == 0 || uiCount <= BytesLeft() / uiElementSize) return true;
    FailTruncated();
    return false;
}

// ---------------------------------------------------------------------------------------------
// Load

bool EnStream::Load(const char* pcFileName) {
    if (pcFileName) SetFileName(pcFileName);
    m_bFailed = false;
    m_spInput = std::make_unique<EnStdioFile>(m_pcFileName, false, IO_BUFFER_SIZE);
    bool bResult = false;
    if (m_spInput->IsOpen()) {
        bResult = LoadObjects();
    } else {
        Fail(ERROR_CANNOT_OPEN, "%s %s", OrEmpty(m_pcFileName), "cannot load file");
    }
    m_spInput.reset();
    return bResult;
}

bool EnStream::ReadHeader() {
    char acLine[HEADER_LINE_CAPACITY];
    m_uiBytesRead += m_spInput->ReadLine(acLine, sizeof acLine);
    if (std::strcmp(acLine, HEADER_LINES[0]) == 0) {
        std::strcpy(m_acVersion, FILE_VERSION);
    } else {
        size_t uiAgree = 0;
        while (uiAgree < HEADER_LENGTHS[0] && acLine[uiAgree] == HEADER_LINES[0][uiAgree])
            uiAgree++;
        const char* pcVersion = acLine + FORMAT_TAG_LENGTH;
        if (uiAgree < FORMAT_TAG_LENGTH || std::strlen(pcVersion) > 4) {
            Fail(ERROR_NOT_ENF, "is not a ENF file");
            return false;
        }
        std::strcpy(m_acVersion, pcVersion);
        // "3.0" becomes "3.00" so that it sorts below "3.04" and "3.05".
        if (std::strlen(m_acVersion) == 3) std::strcat(m_acVersion, "0");
        if (std::strcmp("3.0", m_acVersion) > 0) {
            Fail(ERROR_OLDER_VERSION, "%s %s %s", m_acVersion, "is older version, expecting",
                 FILE_VERSION);
            return false;
        }
        if (std::strcmp(m_acVersion, FILE_VERSION) > 0) {
            Fail(ERROR_LATER_VERSION, "%s %s %s", m_acVersion, "is later version, expecting",
                 FILE_VERSION);
            return false;
        }
    }
    for (int i = 1; i < 4; i++) {
        m_uiBytesRead += m_spInput->ReadLine(acLine, sizeof acLine);
        if (std::strlen(acLine) != HEADER_LENGTHS[i]) {
            Fail(ERROR_NOT_ENF, "is not a ENF file");
            return false;
        }
    }
    return true;
}

bool EnStream::LoadObjects() {
    m_uiBytesRead = 0;
    m_iFileLength = m_spInput->GetLength();
    m_pcCurrentClass = nullptr;
    if (!ReadHeader()) return false;
    ReleaseTopObjects();

    for (;;) {
        char* pcRead = nullptr;
        if (!LoadCString(pcRead)) break;
        std::unique_ptr<char[]> spName(pcRead);
        if (spName && std::strcmp(spName.get(), END_MARKER) == 0) break;
        bool bTopLevel = false;
        if (spName && std::strcmp(spName.get(), TOP_LEVEL_MARKER) == 0) {
            bTopLevel = true;
            pcRead = nullptr;
            if (!LoadCString(pcRead)) break;
            spName.reset(pcRead);
        }
        const char* pcClass = OrEmpty(spName.get());

        EnCreateFunction pfnCreate = FindLoader(spName.get());
        if (!pfnCreate) {
            EnOutputDebugString("\nEnStream: Unable to find loader for class ");
            EnOutputDebugString(pcClass);
            EnOutputDebugString(".\n");
            EnOutputDebugString("* Make sure you are linking in the library ");
            EnOutputDebugString("that contains this class.\n");
            EnOutputDebugString("* Make sure one of your source files ");
            EnOutputDebugString("includes the top level header file for ");
            EnOutputDebugString("that library\n\n");
            Fail(ERROR_NO_LOADER, "%s %s", pcClass, "cannot find create function");
            break;
        }
        // An abstract class's record cannot be read: nothing would consume its fields.
        if (pfnCreate == static_cast<EnCreateFunction>(&DoNothing)) {
            Fail(ERROR_ABSTRACT_CLASS, "%s %s", pcClass, "is an abstract class");
            break;
        }

        m_pcCurrentClass = pcClass;
        EnObject* pObject = nullptr;
        pfnCreate(*this, pObject);
        // An object that nothing took (not entered, not top-level) goes with this reference.
        EnPointer<EnObject> spObject(pObject);
        m_spPendingRecord.reset();
        m_pLinkRecord = nullptr;
        m_pcCurrentClass = nullptr;
        if (m_bFailed) break;

        if (bTopLevel && pObject) {
            bool bListed = false;
            for (const EnPointer<EnObject>& spTop : m_kTopObjects)
                if (spTop == pObject) bListed = true;
            if (!bListed) m_kTopObjects.Add(pObject);
        }
    }

    if (!m_bFailed) {
        for (uint32_t uiLinkID : m_kLoadOrder) {
            LinkEntry* pEntry = FindEntry(uiLinkID);
            if (!pEntry || !pEntry->m_spObject) continue;
            m_pLinkRecord = pEntry->m_spRecord.get();
            m_pcCurrentClass = pEntry->m_spObject->GetClassName();
            pEntry->m_spObject->LinkFromStream(*this);
            if (m_bFailed) break;
        }
        m_pLinkRecord = nullptr;
    }
    if (!m_bFailed) {
        for (uint32_t uiLinkID : m_kLoadOrder) {
            LinkEntry* pEntry = FindEntry(uiLinkID);
            if (!pEntry || !pEntry->m_spObject) continue;
            m_pcCurrentClass = pEntry->m_spObject->GetClassName();
            pEntry->m_spObject->AfterLinks();
            if (m_bFailed) break;
        }
    }
    m_pcCurrentClass = nullptr;
    if (!m_bFailed && m_bCompareAfterLoad) RunComparePass();

    ClearLinks();
    m_pLinkRecord = nullptr;
    return !m_bFailed;
}

void EnStream::RunComparePass() {
    m_bCompareResult = true;
    for (uint32_t i = 0; i < LINK_BUCKETS && m_bCompareResult; i++) {
        for (LinkEntry* p = m_spLinkBuckets[i]; p && m_bCompareResult; p = p->m_pNext) {
            auto it = m_kComparedObjects.find(p->m_uiLinkID);
            m_bCompareResult =
                it != m_kComparedObjects.end() && it->second->EqualsObject(p->m_spObject.Get());
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Link map

EnStream::LinkEntry* EnStream::FindEntry(uint32_t uiLinkID) const {
    for (LinkEntry* p = m_spLinkBuckets[uiLinkID % LINK_BUCKETS]; p; p = p->m_pNext)
        if (p->m_uiLinkID == uiLinkID) return p;
    return nullptr;
}

bool EnStream::InsertLink(uint32_t uiLinkID, EnObject* pObject) {
    if (uiLinkID == 0 || FindEntry(uiLinkID)) return false;
    LinkEntry*& pHead = m_spLinkBuckets[uiLinkID % LINK_BUCKETS];
    pHead = new LinkEntry{uiLinkID, pObject, std::move(m_spPendingRecord), pHead};
    m_uiLinkCount++;
    return true;
}

EnObject* EnStream::FindLink(uint32_t uiLinkID) const {
    if (uiLinkID == 0) return nullptr;
    LinkEntry* pEntry = FindEntry(uiLinkID);
    return pEntry ? pEntry->m_spObject.Get() : nullptr;
}

void EnStream::ReplaceLink(uint32_t uiLinkID, EnObject* pObject) {
    LinkEntry* pEntry = FindEntry(uiLinkID);
    EN_ASSERT(pEntry);
    if (pEntry) pEntry->m_spObject = pObject;
}

void EnStream::ClearLinks() {
    // Entries are unhooked before they go: releasing an object may destroy others.
    for (uint32_t i = 0; i < LINK_BUCKETS; i++) {
        LinkEntry* p = m_spLinkBuckets[i];
        m_spLinkBuckets[i] = nullptr;
        while (p) {
            LinkEntry* pNext = p->m_pNext;
            delete p;
            p = pNext;
        }
    }
    m_uiLinkCount = 0;
}

void EnStream::SetLinkRecord(std::unique_ptr<LinkRecord> spRecord) {
    m_spPendingRecord = std::move(spRecord);
    m_pLinkRecord = m_spPendingRecord.get();
}

void EnStream::RegisterLoadedObject(uint32_t uiLinkID, EnObject* pObject) {
    if (m_bFailed) return;
    if (uiLinkID == 0) {
        Fail(ERROR_NO_LINK_ID, "%s %s", OrEmpty(m_pcCurrentClass), "has no link ID");
        return;
    }
    if (!InsertLink(uiLinkID, pObject)) {
        Fail(ERROR_DUPLICATE_LINK, "%u %s", uiLinkID, "is a duplicate link ID");
        return;
    }
    m_kLoadOrder.Add(uiLinkID);
    if (m_pLinkRecord) m_pLinkRecord->m_uiLinkID = uiLinkID;
}

// ---------------------------------------------------------------------------------------------
// Save

bool EnStream::RegisterSaveObject(EnObject* pObject) {
    if (!pObject) return false;
    auto [it, bNew] = m_kSaveIDs.emplace(pObject, m_kSaveOrder.GetSize() + 1);
    if (!bNew) return false;
    m_kSaveOrder.Add(pObject);
    return true;
}

uint32_t EnStream::GetLinkID(const EnObject* pObject) const {
    if (!pObject) return 0;
    auto it = m_kSaveIDs.find(pObject);
    return it == m_kSaveIDs.end() ? 0 : it->second;
}

bool EnStream::Save(const char* pcFileName) {
    if (pcFileName) SetFileName(pcFileName);
    if (!m_pcFileName) return false;
    // A failed save must not leave a half-written file in place of a good one.
    std::string kTemp = std::string(m_pcFileName) + ".tmp";
    m_spOutput = std::make_unique<EnStdioFile>(kTemp.c_str(), true, IO_BUFFER_SIZE);
    if (!m_spOutput->IsOpen()) {
        m_spOutput.reset();
        return false;
    }
    bool bResult = SaveObjects();
    bResult = m_spOutput->Close() && bResult;
    m_spOutput.reset();
    std::string kTempPath = plat::FileSystem::Resolve(kTemp.c_str());
    if (bResult) {
        std::string kFinal = plat::FileSystem::Resolve(m_pcFileName);
        bResult = std::rename(kTempPath.c_str(), kFinal.c_str()) == 0;
    }
    if (!bResult) std::remove(kTempPath.c_str());
    return bResult;
}

bool EnStream::SaveObjects() {
    m_bWriteFailed = false;
    std::strcpy(m_acVersion, FILE_VERSION);
    for (const char* pcLine : HEADER_LINES) {
        WriteRaw(pcLine, uint32_t(std::strlen(pcLine)));
        WriteRaw("\n", 1);
    }

    m_kSaveOrder.RemoveAll();
    m_kSaveIDs.clear();
    m_kComparedObjects.clear();
    std::unordered_set<const EnObject*> kTopSet;
    for (const EnPointer<EnObject>& spTop : m_kTopObjects) {
        if (!spTop) continue;
        kTopSet.insert(spTop.Get());
        spTop->RegisterForSave(*this);
    }

    for (EnObject* pObject : m_kSaveOrder) {
        if (kTopSet.count(pObject)) SaveCString(TOP_LEVEL_MARKER);
        pObject->SaveToStream(*this);
    }
    SaveCString(END_MARKER);

    if (m_bCompareAfterLoad)
        for (const auto& [pObject, uiLinkID] : m_kSaveIDs)
            m_kComparedObjects.emplace(uiLinkID, const_cast<EnObject*>(pObject));
    m_kSaveIDs.clear();
    m_kSaveOrder.RemoveAll();
    return !m_bWriteFailed;
}

// ---------------------------------------------------------------------------------------------
// Field codecs

bool EnStream::ReadRaw(void* pvBuffer, uint32_t uiCount) {
    uint8_t* pucOut = static_cast<uint8_t*>(pvBuffer);
    if (m_bFailed || !m_spInput) {
        if (uiCount > 0) std::memset(pucOut, 0, uiCount);
        return false;
    }
    uint32_t uiRead = m_spInput->Read(pucOut, uiCount);
    m_uiBytesRead += uiRead;
    if (uiRead < uiCount) {
        std::memset(pucOut + uiRead, 0, uiCount - uiRead);
        FailTruncated();
        return false;
    }
    return true;
}

bool EnStream::WriteRaw(const void* pvBuffer, uint32_t uiCount) {
    if (m_bWriteFailed || !m_spOutput) {
        m_bWriteFailed = true;
        return false;
    }
    if (m_spOutput->Write(pvBuffer, uiCount) != uiCount) {
        m_bWriteFailed = true;
        return false;
    }
    return true;
}

bool EnStream::ReadU8(uint8_t& v) {
    return ReadRaw(&v, 1);
}

bool EnStream::ReadI8(int8_t& v) {
    uint8_t b;
    bool bOk = ReadRaw(&b, 1);
    v = int8_t(b);
    return bOk;
}

bool EnStream::ReadU16(uint16_t& v) {
    uint8_t b[2];
    bool bOk = ReadRaw(b, 2);
    v = uint16_t(b[0] | b[1] << 8);
    return bOk;
}

bool EnStream::ReadI16(int16_t& v) {
    uint16_t u;
    bool bOk = ReadU16(u);
    v = int16_t(u);
    return bOk;
}

bool EnStream::ReadU32(uint32_t& v) {
    uint8_t b[4];
    bool bOk = ReadRaw(b, 4);
    v = b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24;
    return bOk;
}

bool EnStream::ReadI32(int32_t& v) {
    uint32_t u;
    bool bOk = ReadU32(u);
    v = int32_t(u);
    return bOk;
}

bool EnStream::ReadF32(float& v) {
    uint32_t u;
    bool bOk = ReadU32(u);
    std::memcpy(&v, &u, 4);
    return bOk;
}

bool EnStream::ReadBool(bool& v) {
    uint8_t b;
    bool bOk = ReadRaw(&b, 1);
    v = b != 0;
    return bOk;
}

bool EnStream::ReadBytes(void* pvBuffer, uint32_t uiCount) {
    if (!CheckCount(uiCount, 1)) {
        if (uiCount > 0) std::memset(pvBuffer, 0, uiCount);
        return false;
    }
    return ReadRaw(pvBuffer, uiCount);
}

bool EnStream::ReadU16Array(uint16_t* pusValues, uint32_t uiCount) {
    if (!CheckCount(uiCount, 2)) return false;
    for (uint32_t i = 0; i < uiCount; i++)
        if (!ReadU16(pusValues[i])) return false;
    return true;
}

bool EnStream::ReadU32Array(uint32_t* puiValues, uint32_t uiCount) {
    if (!CheckCount(uiCount, 4)) return false;
    for (uint32_t i = 0; i < uiCount; i++)
        if (!ReadU32(puiValues[i])) return false;
    return true;
}

bool EnStream::ReadF32Array(float* pfValues, uint32_t uiCount) {
    if (!CheckCount(uiCount, 4)) return false;
    for (uint32_t i = 0; i < uiCount; i++)
        if (!ReadF32(pfValues[i])) return false;
    return true;
}

bool EnStream::ReadLinkID(uint32_t& uiLinkID) {
    return ReadU32(uiLinkID);
}

bool EnStream::LoadCString(char*& pcText) {
    pcText = nullptr;
    int32_t iLength = 0;
    if (!ReadI32(iLength)) return false;
    if (iLength < 1) return true;
    if (!CheckCount(uint64_t(iLength), 1)) return false;
    if (m_iFileLength < 0) {
        // A file of unknown length: take the text a piece at a time, so that a hostile length
        // costs no more memory than the file really holds.
        std::string kText;
        char acPiece[4096];
        for (uint32_t uiLeft = uint32_t(iLength); uiLeft > 0;) {
            uint32_t uiPiece = uiLeft < sizeof acPiece ? uiLeft : uint32_t(sizeof acPiece);
            if (!ReadRaw(acPiece, uiPiece)) return false;
            kText.append(acPiece, uiPiece);
            uiLeft -= uiPiece;
        }
        char* pc = new char[kText.size() + 1];
        std::memcpy(pc, kText.data(), kText.size());
        pc[kText.size()] = 0;
        pcText = pc;
        return true;
    }
    char* pc = new char[size_t(iLength) + 1];
    if (!ReadRaw(pc, uint32_t(iLength))) {
        delete[] pc;
        return false;
    }
    pc[iLength] = 0;
    pcText = pc;
    return true;
}

bool EnStream::WriteU8(uint8_t v) {
    return WriteRaw(&v, 1);
}

bool EnStream::WriteI8(int8_t v) {
    return WriteU8(uint8_t(v));
}

bool EnStream::WriteU16(uint16_t v) {
    uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    return WriteRaw(b, 2);
}

bool EnStream::WriteI16(int16_t v) {
    return WriteU16(uint16_t(v));
}

bool EnStream::WriteU32(uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return WriteRaw(b, 4);
}

bool EnStream::WriteI32(int32_t v) {
    return WriteU32(uint32_t(v));
}

bool EnStream::WriteF32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    return WriteU32(u);
}

bool EnStream::WriteBool(bool v) {
    return WriteU8(v ? 1 : 0);
}

bool EnStream::WriteBytes(const void* pvBuffer, uint32_t uiCount) {
    return WriteRaw(pvBuffer, uiCount);
}

bool EnStream::WriteU16Array(const uint16_t* pusValues, uint32_t uiCount) {
    bool bOk = true;
    for (uint32_t i = 0; i < uiCount; i++) bOk = WriteU16(pusValues[i]) && bOk;
    return bOk;
}

bool EnStream::WriteU32Array(const uint32_t* puiValues, uint32_t uiCount) {
    bool bOk = true;
    for (uint32_t i = 0; i < uiCount; i++) bOk = WriteU32(puiValues[i]) && bOk;
    return bOk;
}

bool EnStream::WriteF32Array(const float* pfValues, uint32_t uiCount) {
    bool bOk = true;
    for (uint32_t i = 0; i < uiCount; i++) bOk = WriteF32(pfValues[i]) && bOk;
    return bOk;
}

bool EnStream::WriteLinkID(const EnObject* pObject) {
    uint32_t uiLinkID = GetLinkID(pObject);
    // A link to an object its owner did not register would be lost on loading.
    EN_ASSERT(!pObject || uiLinkID != 0);
    return WriteU32(uiLinkID);
}

bool EnStream::SaveCString(const char* pcText) {
    if (!pcText) return WriteI32(0);
    size_t uiLength = std::strlen(pcText);
    if (uiLength > INT32_MAX) {
        m_bWriteFailed = true;
        return false;
    }
    return WriteI32(int32_t(uiLength)) && WriteRaw(pcText, uint32_t(uiLength));
}

// ---------------------------------------------------------------------------------------------
// Image map

EnObject* EnStream::FindImageObject(const char* pcName) const {
    EnPointer<EnObject> spImage;
    if (pcName) m_kImageMap.GetAt(pcName, spImage);
    return spImage.Get();
}

void EnStream::InsertImageObject(const char* pcName, EnObject* pImage) {
    if (pcName) m_kImageMap.SetAt(pcName, pImage);
}

bool EnStream::FindImageFile(char*& pcName) const {
    if (!pcName) return false;
    EnFilePath kImage(pcName);
    EnFilePath kScene(m_pcFileName ? m_pcFileName : "");
    char acCandidates[3][EnFilePath::MAX_PATH_LENGTH];
    kImage.MakePath(acCandidates[0]);
    plat::PathSplitter::Make(acCandidates[1], EnFilePath::MAX_PATH_LENGTH, "", "",
                             kImage.GetFileName(), kImage.GetExt());
    plat::PathSplitter::Make(acCandidates[2], EnFilePath::MAX_PATH_LENGTH, kScene.GetDrive(),
                             kScene.GetDir(), kImage.GetFileName(), kImage.GetExt());
    for (const char* pcCandidate : acCandidates) {
        if (pcCandidate[0] && EnFileAccess(pcCandidate, 0) == 0) {
            size_t uiLen = std::strlen(pcCandidate);
            char* pcFound = new char[uiLen + 1];
            std::memcpy(pcFound, pcCandidate, uiLen + 1);
            delete[] pcName;
            pcName = pcFound;
            return true;
        }
    }
    return false;
}
