#pragma once
// Reader and writer of engine scene files (".enf"): a four-line text header, then one record
// per object (class name, link ID, then each class level's fields from EnObject down), then
// "End Of File". Objects refer to each other by 32-bit link IDs, assigned at save time in
// registration order from 1 (0 means none).
//
// Classes read and write their fields with the little-endian codecs below, one field at a time:
//
//   void EnThing::LoadFromStream(EnStream& kStream) {
//       EnObjectNET::LoadFromStream(kStream);
//       kStream.ReadU32(m_uiFlags);
//       uint16_t usCount = 0;
//       if (!kStream.ReadU16(usCount) || !kStream.CheckCount(usCount, 12)) return;
//       ...
//       auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
//       if (pRecord) kStream.ReadLinkID(pRecord->m_uiImageID);
//   }
//   void EnThing::LinkFromStream(EnStream& kStream) {
//       EnObjectNET::LinkFromStream(kStream);
//       if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>())
//           m_spImage = kStream.FindLink<EnImage>(pRecord->m_uiImageID);
//   }
//   void EnThing::SaveToStream(EnStream& kStream) {
//       EnObjectNET::SaveToStream(kStream);
//       kStream.WriteU32(m_uiFlags);
//       kStream.WriteLinkID(m_spImage);
//   }
//
// A create function of its own (EN_IMPLEMENT_STREAM_LOADER) makes the object, installs a link
// record with EnBeginLoadRecord, runs LoadFromStream and hands the object back through pObject
// even when the load has failed: the object loop holds a reference on what it gets back for the
// rest of the record, so an object that nothing else took (not entered, not top-level) goes.
// Objects are owned by references only; nothing loaded is ever deleted directly.
//
// Every read is bounded by the file: a read past the end gives zeros, returns false and fails
// the load with ERROR_TRUNCATED; once a load has failed, further reads return false at once, so a
// LoadFromStream may simply stop at the first false. Counts from the file are checked against
// the bytes left with CheckCount before anything is allocated for them.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnTStringMap.h"

class EnImage;
class EnStdioFile;

class EnStream {
public:
    using LinkRecord = EnObject::LinkRecord;

    // Last-error codes (GetLastErrorCode) and the text each sets (GetLastErrorText).
    enum ErrorCode : uint32_t {
        ERROR_NONE = 0,              // ""
        ERROR_CANNOT_OPEN = 1,       // "<file> cannot load file"
        ERROR_NOT_ENF = 2,           // "is not a ENF file"
        ERROR_OLDER_VERSION = 3,     // "<version> is older version, expecting 3.1"
        ERROR_LATER_VERSION = 4,     // "<version> is later version, expecting 3.1"
        ERROR_NO_LOADER = 5,         // "<class> cannot find create function"
        ERROR_TRUNCATED = 6,         // "<file> is truncated"
        ERROR_WRONG_LINK_CLASS = 7,  // "<found class> is wrong link class, expecting <class>"
        ERROR_DUPLICATE_LINK = 8,    // "<id> is a duplicate link ID"
        ERROR_ABSTRACT_CLASS = 9,    // "<class> is an abstract class"
        ERROR_NO_LINK_ID = 10,       // "<class> has no link ID"
        ERROR_BAD_RECORD = 11,       // "<class> has an invalid record"
    };

    static constexpr const char* FILE_HEADER_LINE = "Ensemblage File Format, Version 3.1";
    static constexpr const char* FILE_VERSION = "3.1";
    static constexpr uint32_t IO_BUFFER_SIZE = 10240;

    // Class name -> create function, filled by the classes' static registration; created by
    // the first registration and deleted at exit.
    static EnTStringMap<EnCreateFunction>* ms_pLoaders;
    static void AddLoader(const char* pcClassName, EnCreateFunction pfnCreate);
    // Null when the name (compared byte for byte) has no create function.
    static EnCreateFunction FindLoader(const char* pcClassName);

    EnStream();
    ~EnStream();
    EnStream(const EnStream&) = delete;
    EnStream& operator=(const EnStream&) = delete;

    // A null name reuses the name of the last Load or Save.
    bool Load(const char* pcFileName);
    // Writes to a temporary file renamed over the old one; false when anything could not be
    // written (the old file then stays as it was).
    bool Save(const char* pcFileName);

    // Top-level objects, in file order; the stream holds one reference on each.
    uint32_t GetObjectCount() const { return m_kTopObjects.GetSize(); }
    EnObject* GetObjectAt(uint32_t uiIndex) const { return m_kTopObjects.GetAt(uiIndex); }
    void InsertObject(EnObject* pObject);
    void ReleaseTopObjects();

    const char* GetFileName() const { return m_pcFileName; }
    // "3.1", or the file's version ("3.0" is kept as "3.00"); during a save, "3.1".
    const char* GetFileVersion() const { return m_acVersion; }
    // Byte-wise comparison with version texts such as "3.04".
    bool IsVersionAtLeast(const char* pcVersion) const;

    // Compare-after-load: a save made with the flag on keeps its objects (by link ID, with a
    // reference each) until the next save or the stream's end; a load with the flag on then
    // asks each saved object EqualsObject with the object loaded under the same ID.
    void SetCompareAfterLoad(bool bCompare) { m_bCompareAfterLoad = bCompare; }
    bool GetCompareAfterLoad() const { return m_bCompareAfterLoad; }
    // Result of the last compare pass: true when every pair compared equal.
    bool GetCompareResult() const { return m_bCompareResult; }

    // --- Link map (during a load) ---
    // Adds ID -> object with the current link record; false, and no change, when present.
    bool InsertLink(uint32_t uiLinkID, EnObject* pObject);
    EnObject* FindLink(uint32_t uiLinkID) const;
    // The object under the ID when it is of the class T; an object of another class fails the
    // load with ERROR_WRONG_LINK_CLASS and gives null. An ID of 0 or one not present gives null.
    template <class T>
    T* FindLink(uint32_t uiLinkID) {
        EnObject* pObject = FindLink(uiLinkID);
        if (!pObject) return nullptr;
        if (!pObject->IsKindOf(&T::ms_RTTI)) {
            FailWrongLinkClass(pObject, &T::ms_RTTI);
            return nullptr;
        }
        return static_cast<T*>(pObject);
    }
    // For a create function that hands back another object than the one that read the record.
    // While a load runs the link map holds a reference on every object entered in it, so the
    // object that read the record is released here (and goes, unless something else holds it):
    // the create function must not delete it itself.
    void ReplaceLink(uint32_t uiLinkID, EnObject* pObject);
    void ClearLinks();
    uint32_t GetLinkCount() const { return m_uiLinkCount; }

    // The link record of the object being loaded or linked.
    LinkRecord* GetLinkRecord() const { return m_pLinkRecord; }
    template <class R>
    R* GetLinkRecord() const {
        R* pRecord = dynamic_cast<R*>(m_pLinkRecord);
        EN_ASSERT(pRecord || !m_pLinkRecord);
        return pRecord;
    }
    // Makes a new record current; the stream owns it until its object enters the link map.
    void SetLinkRecord(std::unique_ptr<LinkRecord> spRecord);

    // The EnObject level of LoadFromStream: enters the object under its ID, appends the ID to
    // the load order and notes it in the current link record.
    void RegisterLoadedObject(uint32_t uiLinkID, EnObject* pObject);
    // The EnObject level of RegisterForSave: false when the object was registered already.
    bool RegisterSaveObject(EnObject* pObject);
    // The link ID a save gives an object; 0 for null or an object that was not registered.
    uint32_t GetLinkID(const EnObject* pObject) const;

    // --- Field codecs (little-endian) ---
    bool ReadU8(uint8_t& v);
    bool ReadI8(int8_t& v);
    bool ReadU16(uint16_t& v);
    bool ReadI16(int16_t& v);
    bool ReadU32(uint32_t& v);
    bool ReadI32(int32_t& v);
    bool ReadF32(float& v);
    bool ReadBool(bool& v);  // one byte, non-zero is true
    bool ReadBytes(void* pvBuffer, uint32_t uiCount);
    bool ReadU16Array(uint16_t* pusValues, uint32_t uiCount);
    bool ReadU32Array(uint32_t* puiValues, uint32_t uiCount);
    bool ReadF32Array(float* pfValues, uint32_t uiCount);
    bool ReadLinkID(uint32_t& uiLinkID);
    // Stream string: signed 32-bit length, then the bytes; a length below 1 gives null, else a
    // new[] text the caller owns. A length beyond the end of the file is truncation.
    bool LoadCString(char*& pcText);

    bool WriteU8(uint8_t v);
    bool WriteI8(int8_t v);
    bool WriteU16(uint16_t v);
    bool WriteI16(int16_t v);
    bool WriteU32(uint32_t v);
    bool WriteI32(int32_t v);
    bool WriteF32(float v);
    bool WriteBool(bool v);
    bool WriteBytes(const void* pvBuffer, uint32_t uiCount);
    bool WriteU16Array(const uint16_t* pusValues, uint32_t uiCount);
    bool WriteU32Array(const uint32_t* puiValues, uint32_t uiCount);
    bool WriteF32Array(const float* pfValues, uint32_t uiCount);
    bool WriteLinkID(const EnObject* pObject);
    bool SaveCString(const char* pcText);

    // Bytes of the input file not yet read (all that remain when the length is unknown).
    uint64_t BytesLeft() const;
    // True when uiCount elements of uiElementSize bytes can still be read; otherwise fails the
    // load as truncated.
    bool CheckCount(uint64_t uiCount, uint64_t uiElementSize);
    // Fails the load with ERROR_BAD_RECORD naming the class being read (for fields whose
    // values make no sense, e.g. an index past the array it indexes).
    void MarkRecordInvalid();
    // True once the load under way has failed.
    bool HasFailed() const { return m_bFailed; }

    // --- Image map: images read by this stream, by file name (one reference each) ---
    template <class TImage = EnImage>
    TImage* FindImage(const char* pcName) const {
        return static_cast<TImage*>(FindImageObject(pcName));
    }
    template <class TImage>
    void InsertImage(const char* pcName, TImage* pImage) {
        InsertImageObject(pcName, pImage);
    }
    // Finds an external image file: as named, by name alone in the current directory, then by
    // name beside the scene file. On success the new[] text is replaced by the path found.
    bool FindImageFile(char*& pcName) const;

    // Process-wide; reset by every stream construction.
    static uint32_t GetLastErrorCode();
    static const char* GetLastErrorText();

private:
    struct LinkEntry {
        uint32_t m_uiLinkID;
        EnPointer<EnObject> m_spObject;  // held while the load runs
        std::unique_ptr<LinkRecord> m_spRecord;
        LinkEntry* m_pNext;
    };
    static constexpr uint32_t LINK_BUCKETS = 32768;

    bool LoadObjects();
    bool ReadHeader();
    bool SaveObjects();
    bool ReadRaw(void* pvBuffer, uint32_t uiCount);
    bool WriteRaw(const void* pvBuffer, uint32_t uiCount);
    LinkEntry* FindEntry(uint32_t uiLinkID) const;
    void Fail(uint32_t uiCode, const char* pcFormat, ...) __attribute__((format(printf, 3, 4)));
    void FailTruncated();
    void FailWrongLinkClass(const EnObject* pFound, const EnTypeRecord* pExpected);
    void RunComparePass();
    EnObject* FindImageObject(const char* pcName) const;
    void InsertImageObject(const char* pcName, EnObject* pImage);
    void SetFileName(const char* pcFileName);

    char m_acVersion[5] = {};
    char* m_pcFileName = nullptr;
    EnTArray<uint32_t> m_kLoadOrder{1024, 1024};   // link IDs in file order (load)
    EnTArray<EnObject*> m_kSaveOrder{1024, 1024};  // objects in registration order (save)
    bool m_bCompareAfterLoad = false;
    bool m_bCompareResult = true;
    std::unique_ptr<EnStdioFile> m_spInput;
    std::unique_ptr<EnStdioFile> m_spOutput;
    EnTArray<EnPointer<EnObject>> m_kTopObjects{1, 1};
    LinkRecord* m_pLinkRecord = nullptr;
    std::unique_ptr<LinkRecord> m_spPendingRecord;  // current record not yet in the link map
    uint32_t m_uiLinkCount = 0;
    std::unique_ptr<LinkEntry*[]> m_spLinkBuckets;
    EnTStringMap<EnPointer<EnObject>> m_kImageMap{37};

    // Load state.
    bool m_bFailed = false;
    uint64_t m_uiBytesRead = 0;
    int64_t m_iFileLength = -1;
    const char* m_pcCurrentClass = nullptr;

    // Save state.
    bool m_bWriteFailed = false;
    std::unordered_map<const EnObject*, uint32_t> m_kSaveIDs;
    std::unordered_map<uint32_t, EnPointer<EnObject>> m_kComparedObjects;
};
