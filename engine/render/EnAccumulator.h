#pragma once
#include "engine/core/EnObject.h"

class EnCamera;
class EnGeometry;

// An object that the renderer offers every geometry draw before drawing it. It may keep the
// object and draw it later, at the end of the camera's scene draw, in an order of its own.
// This base only remembers the camera of the collection under way.
//
// Depends on the engine core alone, so that core classes (the camera, the sort-adjust node)
// can drive the collection protocol through these virtual operations.
class EnAccumulator : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnAccumulator() = default;
    ~EnAccumulator() override;

    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;

    // Starts collecting for the camera; false while a collection is already under way (the
    // caller then draws this frame without the accumulator).
    virtual bool BeginCollect(EnCamera* pCamera);
    // Draws what was collected since BeginCollect and ends the collection.
    virtual void EndCollect();
    // True when the accumulator keeps the object; the caller must not draw it now.
    virtual bool CollectObject(EnGeometry* pGeometry) = 0;

    EnCamera* GetCamera() const { return m_pCamera; }

protected:
    EnCamera* m_pCamera = nullptr;  // not counted: the camera outlives its own frame
};
