#pragma once
#include <cstdint>

#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Alpha blending and alpha testing of the objects below it. Everything but the test reference
// lives in the flags word: blending on/off, source and destination factors, testing on/off,
// the test function, and a hint that keeps blended objects out of the alpha sorter.
class EnAlphaProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = ALPHA;

    // Blend factors, for source and destination alike.
    enum AlphaFunction : uint32_t {
        ALPHA_ONE = 0,
        ALPHA_ZERO = 1,
        ALPHA_SRCCOLOR = 2,
        ALPHA_INVSRCCOLOR = 3,
        ALPHA_DESTCOLOR = 4,
        ALPHA_INVDESTCOLOR = 5,
        ALPHA_SRCALPHA = 6,
        ALPHA_INVSRCALPHA = 7,
        ALPHA_DESTALPHA = 8,
        ALPHA_INVDESTALPHA = 9,
        ALPHA_SRCALPHASAT = 10,
        ALPHA_MAX_MODES = 11,
    };
    // Alpha test functions: the pixel is kept when (its alpha FUNC reference) holds.
    enum TestFunction : uint32_t {
        TEST_ALWAYS = 0,
        TEST_LESS = 1,
        TEST_EQUAL = 2,
        TEST_LESSEQUAL = 3,
        TEST_GREATER = 4,
        TEST_NOTEQUAL = 5,
        TEST_GREATEREQUAL = 6,
        TEST_NEVER = 7,
        TEST_MAX_MODES = 8,
    };

    static constexpr uint16_t ALPHA_BLEND_MASK = 0x0001;
    static constexpr uint16_t SRC_BLEND_MASK = 0x001E;
    static constexpr uint16_t SRC_BLEND_POS = 1;
    static constexpr uint16_t DEST_BLEND_MASK = 0x01E0;
    static constexpr uint16_t DEST_BLEND_POS = 5;
    static constexpr uint16_t TEST_ENABLE_MASK = 0x0200;
    static constexpr uint16_t TEST_FUNC_MASK = 0x1C00;
    static constexpr uint16_t TEST_FUNC_POS = 10;
    // Blended objects with this bit stay out of the alpha sorter (when it is told to obey it).
    static constexpr uint16_t NO_SORTER_MASK = 0x2000;

    EnAlphaProperty();
    ~EnAlphaProperty() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetAlphaBlending() const { return (m_usFlags & ALPHA_BLEND_MASK) != 0; }
    void SetAlphaBlending(bool bBlend) { SetFlagBit(bBlend, 0); }
    AlphaFunction GetSrcBlendMode() const {
        return AlphaFunction(GetFlagField(SRC_BLEND_MASK >> SRC_BLEND_POS, SRC_BLEND_POS));
    }
    void SetSrcBlendMode(AlphaFunction eMode) {
        SetFlagField(eMode, SRC_BLEND_MASK >> SRC_BLEND_POS, SRC_BLEND_POS);
    }
    AlphaFunction GetDestBlendMode() const {
        return AlphaFunction(GetFlagField(DEST_BLEND_MASK >> DEST_BLEND_POS, DEST_BLEND_POS));
    }
    void SetDestBlendMode(AlphaFunction eMode) {
        SetFlagField(eMode, DEST_BLEND_MASK >> DEST_BLEND_POS, DEST_BLEND_POS);
    }
    bool GetAlphaTesting() const { return (m_usFlags & TEST_ENABLE_MASK) != 0; }
    void SetAlphaTesting(bool bTest) { SetFlagBit(bTest, 9); }
    TestFunction GetTestMode() const {
        return TestFunction(GetFlagField(TEST_FUNC_MASK >> TEST_FUNC_POS, TEST_FUNC_POS));
    }
    void SetTestMode(TestFunction eFunction) {
        SetFlagField(eFunction, TEST_FUNC_MASK >> TEST_FUNC_POS, TEST_FUNC_POS);
    }
    bool GetNoSorter() const { return (m_usFlags & NO_SORTER_MASK) != 0; }
    void SetNoSorter(bool bNoSorter) { SetFlagBit(bNoSorter, 13); }
    uint8_t GetAlphaTestRef() const { return m_ucAlphaTestRef; }
    void SetAlphaTestRef(uint8_t ucRef) { m_ucAlphaTestRef = ucRef; }

    // A new[] dump line "label = ALPHA_..." for a blend factor.
    static char* MakeBlendViewerString(const char* pcLabel, uint32_t uiFactor);

protected:
    uint8_t m_ucAlphaTestRef = 0;
};

// The shared default instance: a plain new EnAlphaProperty.
EnPointer<EnAlphaProperty> GetDefaultAlphaProperty();
