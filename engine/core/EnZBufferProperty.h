#pragma once
#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Depth-buffer use of the objects below it: whether they are depth tested and whether they
// write depth. Both bits live in the flags word; both are off by default.
class EnZBufferProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = ZBUFFER;
    static constexpr uint16_t ZBUFFER_TEST_MASK = 0x0001;
    static constexpr uint16_t ZBUFFER_WRITE_MASK = 0x0002;

    EnZBufferProperty();
    ~EnZBufferProperty() override;

    EnObject* CloneObject() override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetZBufferTest() const { return (m_usFlags & ZBUFFER_TEST_MASK) != 0; }
    void SetZBufferTest(bool bTest) { SetFlagBit(bTest, 0); }
    bool GetZBufferWrite() const { return (m_usFlags & ZBUFFER_WRITE_MASK) != 0; }
    void SetZBufferWrite(bool bWrite) { SetFlagBit(bWrite, 1); }
};

// The shared default instance: a plain new EnZBufferProperty.
EnPointer<EnZBufferProperty> GetDefaultZBufferProperty();
