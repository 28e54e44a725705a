#pragma once
// Root of every engine object: intrusive reference count, run-time type record, three-step
// clone, the per-object steps of the scene-file stream and the member dump.
//
// Every class derived from EnObject uses these macros:
//
//   // EnThing.h
//   class EnThing : public EnObjectNET {
//       EN_DECLARE_RTTI;      // static ms_RTTI and the GetTypeRecord override
//       EN_DECLARE_STREAM;    // static CreateFromStream and RegisterLoader
//   public:
//       EnThing();            // the create function uses the default constructor
//       void LoadFromStream(EnStream& kStream) override;   // base step first, then own fields
//       ...
//   };
//
//   // EnThing.cpp
//   EN_IMPLEMENT_RTTI(EnThing, EnObjectNET);
//   EN_IMPLEMENT_STREAM(EnThing);            // concrete class: registers CreateFromStream
//   EN_IMPLEMENT_ABSTRACT_STREAM(EnThing);   // abstract class: registers DoNothing instead
//   EN_IMPLEMENT_STREAM_LOADER(EnThing);     // class that writes its own CreateFromStream
//
// Both DECLARE macros leave the class body in private access, like a class's opening; write
// `public:` after them. EN_IMPLEMENT_STREAM's create function makes the object with its default
// constructor, installs a new Class::LinkRecord as the stream's current link record (a class
// without links of its own inherits its base's record type by name lookup) and runs
// LoadFromStream. Registration happens from a static initialiser of the class's own unit, so
// the class's library must be linked whole (an OBJECT library).
//
// A class with links declares its own record, derived from its base class's record:
//   struct LinkRecord : EnObjectNET::LinkRecord { uint32_t m_uiImageID = 0; };
// and reads it back with kStream.GetLinkRecord<LinkRecord>() in LoadFromStream and
// LinkFromStream; links are resolved with the kind-checked kStream.FindLink<EnImage>(uiID).
//
// Kind tests: EnIsKindOf(EnNode, pObject), EnIsExactKindOf(EnNode, pObject) (both false for a
// null object) and EnDynamicCast(EnNode, pObject) (null when the object is not of the kind).

#include <cstdint>
#include <memory>

#include "engine/core/EnTypeRecord.h"

class EnStream;
class EnObject;
template <class T>
class EnTArray;

// The create function registered for a class name: makes the object, reads its record and hands
// it back through the out parameter (null when nothing was made).
using EnCreateFunction = void (*)(EnStream& kStream, EnObject*& pObject);

class EnObject {
public:
    // What the stream keeps for one loaded object until its links are resolved. Classes with
    // links derive their own record (see above) and add the link IDs their LoadFromStream reads.
    struct LinkRecord {
        virtual ~LinkRecord() = default;
        uint32_t m_uiLinkID = 0;  // the object's own link ID
    };

    static const EnTypeRecord ms_RTTI;
    // EnObject is abstract in scene files: its name is registered with the empty function.
    static void CreateFromStream(EnStream& kStream, EnObject*& pObject);
    static int RegisterLoader();

    EnObject();
    EnObject(const EnObject&) = delete;
    EnObject& operator=(const EnObject&) = delete;

    virtual const EnTypeRecord* GetTypeRecord() const;
    // Makes the copy of this level and below; the base answers the object itself.
    virtual EnObject* CloneObject();
    virtual void CloneFixup(EnObject* pCopy);
    virtual void CloneCleanup();
    virtual void LoadFromStream(EnStream& kStream);
    virtual void LinkFromStream(EnStream& kStream);
    // Enters the object in the stream's save list once; false when it was already there, and
    // then an override must not register the objects it refers to again.
    virtual bool RegisterForSave(EnStream& kStream);
    virtual void SaveToStream(EnStream& kStream);
    virtual bool EqualsObject(const EnObject* pObject) const;
    // Appends heap strings (new[]) that the caller owns; see EnViewerStrings.h.
    virtual void AppendMemberStrings(EnTArray<char*>& kStrings) const;
    virtual ~EnObject();
    // Runs once for every loaded object after all links of the load are resolved.
    virtual void AfterLinks();

    void AddReference() { ++m_iRefCount; }
    // Drops one reference; the last one destroys the object. Returns the new count.
    int32_t ReleaseReference();
    int32_t GetRefCount() const { return m_iRefCount; }

    bool IsKindOf(const EnTypeRecord* pRecord) const {
        return GetTypeRecord()->IsDerivedFrom(pRecord);
    }
    bool IsExactKindOf(const EnTypeRecord* pRecord) const { return GetTypeRecord() == pRecord; }
    const char* GetClassName() const { return GetTypeRecord()->GetName(); }

    // CloneObject, then CloneFixup and CloneCleanup on the source. The copy's count is 0.
    EnObject* MakeClone();

    static void SetCloneNameMode(uint32_t uiMode);
    static uint32_t GetCloneNameMode();
    // Objects constructed and not yet destroyed, process-wide.
    static uint32_t GetLiveObjectCount();

protected:
    int32_t m_iRefCount = 0;
};

template <class T>
T* EnDynamicCastTo(EnObject* pObject) {
    return pObject && pObject->IsKindOf(&T::ms_RTTI) ? static_cast<T*>(pObject) : nullptr;
}
template <class T>
const T* EnDynamicCastTo(const EnObject* pObject) {
    return pObject && pObject->IsKindOf(&T::ms_RTTI) ? static_cast<const T*>(pObject) : nullptr;
}

#define EnIsKindOf(Class, pObject) EnIsKindOfRecord(&Class::ms_RTTI, (pObject))
#define EnIsExactKindOf(Class, pObject) EnIsExactKindOfRecord(&Class::ms_RTTI, (pObject))
#define EnDynamicCast(Class, pObject) EnDynamicCastTo<Class>(pObject)

inline bool EnIsKindOfRecord(const EnTypeRecord* pRecord, const EnObject* pObject) {
    return pObject && pObject->IsKindOf(pRecord);
}
inline bool EnIsExactKindOfRecord(const EnTypeRecord* pRecord, const EnObject* pObject) {
    return pObject && pObject->IsExactKindOf(pRecord);
}

// Used by the stream macros; the stream takes ownership of the record and makes it current.
void EnBeginLoadRecord(EnStream& kStream, std::unique_ptr<EnObject::LinkRecord> spRecord);
// Enters a create function under a class name in EnStream::ms_pLoaders (last one wins).
void EnAddLoader(const char* pcClassName, EnCreateFunction pfnCreate);
// The shared empty create function of abstract classes (declared again in EnSystem.h).
void DoNothing(EnStream& kStream, EnObject*& pObject);

#define EN_DECLARE_RTTI                                  \
public:                                                  \
    static const EnTypeRecord ms_RTTI;                   \
    const EnTypeRecord* GetTypeRecord() const override { \
        return &ms_RTTI;                                 \
    }                                                    \
                                                         \
private:                                                 \
    static_assert(true, "")

#define EN_IMPLEMENT_RTTI(Class, Base) \
    constinit const EnTypeRecord Class::ms_RTTI(#Class, &Base::ms_RTTI)

#define EN_DECLARE_STREAM                                                \
public:                                                                  \
    static void CreateFromStream(EnStream& kStream, EnObject*& pObject); \
    static int RegisterLoader();                                         \
                                                                         \
private:                                                                 \
    static_assert(true, "")

// Registration only: RegisterLoader (1 on its first call, 0 afterwards) and the start-up call.
#define EN_IMPLEMENT_REGISTRATION(Class, pfnCreate) \
    int Class::RegisterLoader() {                   \
        static bool s_bRegistered = false;          \
        if (s_bRegistered) return 0;                \
        s_bRegistered = true;                       \
        EnAddLoader(#Class, pfnCreate);             \
        return 1;                                   \
    }                                               \
    [[maybe_unused]] static const int s_iEnRegistered##Class = Class::RegisterLoader()

#define EN_IMPLEMENT_STREAM(Class)                                         \
    void Class::CreateFromStream(EnStream& kStream, EnObject*& pObject) {  \
        Class* pNew = new Class;                                           \
        EnBeginLoadRecord(kStream, std::make_unique<Class::LinkRecord>()); \
        pNew->LoadFromStream(kStream);                                     \
        pObject = pNew;                                                    \
    }                                                                      \
    EN_IMPLEMENT_REGISTRATION(Class, &Class::CreateFromStream)

#define EN_IMPLEMENT_ABSTRACT_STREAM(Class)                               \
    void Class::CreateFromStream(EnStream& kStream, EnObject*& pObject) { \
        DoNothing(kStream, pObject);                                      \
    }                                                                     \
    EN_IMPLEMENT_REGISTRATION(Class, static_cast<EnCreateFunction>(&DoNothing))

// For a class that defines its own CreateFromStream (one that may hand back another object).
#define EN_IMPLEMENT_STREAM_LOADER(Class) EN_IMPLEMENT_REGISTRATION(Class, &Class::CreateFromStream)
