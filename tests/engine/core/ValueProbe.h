#pragma once
#include <bit>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "engine/core/EnObject.h"
#include "engine/core/EnStream.h"

// A test object whose record carries whatever a test writes, between two marker words, so the
// value types' stream forms can be checked byte for byte inside a real scene file.
class ValueProbe : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    using Step = std::function<void(EnStream&)>;

    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;

    // The bytes the save step writes, as they stand in the file.
    static std::string SavedFields(const Step& save);
    // Loads a scene file whose probe record holds the given field bytes, cut after uiKeep of
    // them (the file ends there), and runs the load step on them. Answers the stream's result.
    static bool LoadFields(const std::string& fields, size_t uiKeep, const Step& load);
    static bool LoadFields(const std::string& fields, const Step& load) {
        return LoadFields(fields, fields.size(), load);
    }
};

// The file bytes of 32-bit floats, least significant byte first, built without the stream.
inline std::string LittleEndianFloats(std::initializer_list<float> values) {
    std::string bytes;
    for (float f : values) {
        const uint32_t u = std::bit_cast<uint32_t>(f);
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(char((u >> shift) & 0xFF));
    }
    return bytes;
}
