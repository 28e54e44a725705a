#pragma once
#include <cstdint>

#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Stencil-buffer state of the objects below it: the test on/off, its function, reference and
// mask, and what happens to the stencil value on stencil failure, depth failure and pass.
class EnStencilProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = STENCIL;

    enum TestFunc : uint32_t {
        TEST_NEVER = 0,
        TEST_LESS = 1,
        TEST_EQUAL = 2,
        TEST_LESSEQUAL = 3,
        TEST_GREATER = 4,
        TEST_NOTEQUAL = 5,
        TEST_GREATEREQUAL = 6,
        TEST_ALWAYS = 7,
        TEST_MAX = 8,
    };
    enum Action : uint32_t {
        ACTION_KEEP = 0,
        ACTION_ZERO = 1,
        ACTION_REPLACE = 2,
        ACTION_INCREMENT = 3,
        ACTION_DECREMENT = 4,
        ACTION_INVERT = 5,
        ACTION_MAX = 6,
    };

    EnStencilProperty();
    ~EnStencilProperty() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetStencilOn() const { return m_bEnable != 0; }
    void SetStencilOn(bool bOn) { m_bEnable = bOn ? 1 : 0; }
    TestFunc GetStencilFunction() const { return TestFunc(m_eTest); }
    void SetStencilFunction(TestFunc eTest) { m_eTest = eTest; }
    uint32_t GetStencilReference() const { return m_uiRef; }
    void SetStencilReference(uint32_t uiRef) { m_uiRef = uiRef; }
    uint32_t GetStencilMask() const { return m_uiMask; }
    void SetStencilMask(uint32_t uiMask) { m_uiMask = uiMask; }
    Action GetStencilFailAction() const { return Action(m_eFailAct); }
    void SetStencilFailAction(Action eAction) { m_eFailAct = eAction; }
    Action GetStencilPassZFailAction() const { return Action(m_eZFailAct); }
    void SetStencilPassZFailAction(Action eAction) { m_eZFailAct = eAction; }
    Action GetStencilPassAction() const { return Action(m_ePassAct); }
    void SetStencilPassAction(Action eAction) { m_ePassAct = eAction; }

    // A new[] dump line "label = TEST_..." for a test function.
    static char* MakeTestViewerString(const char* pcLabel, uint32_t uiTest);
    // A new[] dump line "label = ACTION_..." for an action.
    static char* MakeActionViewerString(const char* pcLabel, uint32_t uiAction);

protected:
    // Kept as the file's values, so that values without a name survive a round trip.
    uint8_t m_bEnable = 0;
    uint32_t m_eTest = TEST_GREATER;
    uint32_t m_uiRef = 0;
    uint32_t m_uiMask = 0xFFFFFFFF;
    uint32_t m_eFailAct = ACTION_KEEP;
    uint32_t m_eZFailAct = ACTION_KEEP;
    uint32_t m_ePassAct = ACTION_INCREMENT;
};

// The shared default instance: a plain new EnStencilProperty.
EnPointer<EnStencilProperty> GetDefaultStencilProperty();
