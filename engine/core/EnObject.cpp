#include "engine/core/EnObject.h"

#include <atomic>
#include <cstring>

#include "engine/core/EnAssert.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnViewerStrings.h"

constinit const EnTypeRecord EnObject::ms_RTTI("EnObject", nullptr);
EN_IMPLEMENT_ABSTRACT_STREAM(EnObject);

namespace {
// Objects may be made and destroyed on the loading thread while the main thread runs, so the
// count itself must not tear; it orders nothing.
std::atomic<uint32_t> s_uiLiveObjects{0};
uint32_t s_uiCloneNameMode = 0;
}  // namespace

EnObject::EnObject() {
    s_uiLiveObjects.fetch_add(1, std::memory_order_relaxed);
}

EnObject::~EnObject() {
    s_uiLiveObjects.fetch_sub(1, std::memory_order_relaxed);
}

const EnTypeRecord* EnObject::GetTypeRecord() const {
    return &ms_RTTI;
}

int32_t EnObject::ReleaseReference() {
    int32_t iRefCount = --m_iRefCount;
    EN_ASSERT(iRefCount >= 0);
    if (iRefCount == 0) delete this;
    return iRefCount;
}

EnObject* EnObject::MakeClone() {
    EnObject* pCopy = CloneObject();
    CloneFixup(pCopy);
    CloneCleanup();
    return pCopy;
}

EnObject* EnObject::CloneObject() {
    return this;
}

void EnObject::CloneFixup(EnObject*) {}

void EnObject::CloneCleanup() {}

void EnObject::SetCloneNameMode(uint32_t uiMode) {
    s_uiCloneNameMode = uiMode;
}

uint32_t EnObject::GetCloneNameMode() {
    return s_uiCloneNameMode;
}

uint32_t EnObject::GetLiveObjectCount() {
    return s_uiLiveObjects.load(std::memory_order_relaxed);
}

void EnObject::LoadFromStream(EnStream& kStream) {
    uint32_t uiLinkID = 0;
    if (!kStream.ReadLinkID(uiLinkID)) return;
    kStream.RegisterLoadedObject(uiLinkID, this);
}

void EnObject::LinkFromStream(EnStream&) {}

bool EnObject::RegisterForSave(EnStream& kStream) {
    return kStream.RegisterSaveObject(this);
}

void EnObject::SaveToStream(EnStream& kStream) {
    kStream.SaveCString(GetClassName());
    kStream.WriteLinkID(this);
}

bool EnObject::EqualsObject(const EnObject* pObject) const {
    if (!pObject) return false;
    return std::strcmp(GetClassName(), pObject->GetClassName()) == 0;
}

void EnObject::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    kStrings.Add(MakeViewerTitle("EnObject"));
    kStrings.Add(MakeViewerPointer("this", this));
    kStrings.Add(MakeViewerInt("m_iRefCount", m_iRefCount));
}

void EnObject::AfterLinks() {}
