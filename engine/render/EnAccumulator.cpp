#include "engine/render/EnAccumulator.h"

EN_IMPLEMENT_RTTI(EnAccumulator, EnObject);
EN_IMPLEMENT_ABSTRACT_STREAM(EnAccumulator);

EnAccumulator::~EnAccumulator() = default;

// Accumulators carry nothing in a scene file beyond the object itself: what they collect
// belongs to a frame, not to the scene.
void EnAccumulator::LoadFromStream(EnStream& kStream) {
    EnObject::LoadFromStream(kStream);
}

void EnAccumulator::LinkFromStream(EnStream& kStream) {
    EnObject::LinkFromStream(kStream);
}

bool EnAccumulator::RegisterForSave(EnStream& kStream) {
    return EnObject::RegisterForSave(kStream);
}

void EnAccumulator::SaveToStream(EnStream& kStream) {
    EnObject::SaveToStream(kStream);
}

bool EnAccumulator::EqualsObject(const EnObject* pObject) const {
    return EnObject::EqualsObject(pObject);
}

bool EnAccumulator::BeginCollect(EnCamera* pCamera) {
    if (m_pCamera) return false;
    m_pCamera = pCamera;
    return true;
}

void EnAccumulator::EndCollect() {
    m_pCamera = nullptr;
}
