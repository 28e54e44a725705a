#include "tests/engine/core/ValueProbe.h"

#include <gtest/gtest.h>

#include "engine/core/EnPointer.h"
#include "tests/support/TempDir.h"

EN_IMPLEMENT_RTTI(ValueProbe, EnObject);
EN_IMPLEMENT_STREAM(ValueProbe);

namespace {
constexpr uint32_t kBegin = 0x5EC0DE01u;
constexpr uint32_t kEnd = 0x5EC0DE02u;
const std::string kBeginBytes("\x01\xDE\xC0\x5E", 4);
const std::string kEndBytes("\x02\xDE\xC0\x5E", 4);

ValueProbe::Step s_kSave;
ValueProbe::Step s_kLoad;

std::string SaveProbeFile(const TempDir& dir, const ValueProbe::Step& save) {
    s_kSave = save;
    EnPointer<ValueProbe> spProbe(new ValueProbe);
    EnStream kStream;
    kStream.InsertObject(spProbe);
    const std::string path = dir.File("probe.enf");
    EXPECT_TRUE(kStream.Save(path.c_str()));
    s_kSave = nullptr;
    return TempDir::Read(path);
}
}  // namespace

void ValueProbe::SaveToStream(EnStream& kStream) {
    EnObject::SaveToStream(kStream);
    kStream.WriteU32(kBegin);
    if (s_kSave) s_kSave(kStream);
    kStream.WriteU32(kEnd);
}

void ValueProbe::LoadFromStream(EnStream& kStream) {
    EnObject::LoadFromStream(kStream);
    uint32_t uiMarker = 0;
    kStream.ReadU32(uiMarker);
    EXPECT_EQ(uiMarker, kBegin);
    if (s_kLoad) s_kLoad(kStream);
    if (!kStream.HasFailed()) {
        kStream.ReadU32(uiMarker);
        EXPECT_EQ(uiMarker, kEnd) << "the load step read as many bytes as the save wrote";
    }
}

std::string ValueProbe::SavedFields(const Step& save) {
    TempDir dir;
    const std::string file = SaveProbeFile(dir, save);
    const size_t begin = file.find(kBeginBytes);
    const size_t end = file.find(kEndBytes, begin);
    if (begin == std::string::npos || end == std::string::npos) {
        ADD_FAILURE() << "probe markers missing";
        return {};
    }
    return file.substr(begin + 4, end - begin - 4);
}

bool ValueProbe::LoadFields(const std::string& fields, size_t uiKeep, const Step& load) {
    TempDir dir;
    std::string file = SaveProbeFile(dir, [&](EnStream& kStream) {
        kStream.WriteBytes(fields.data(), uint32_t(fields.size()));
    });
    const size_t begin = file.find(kBeginBytes);
    if (begin == std::string::npos) {
        ADD_FAILURE() << "probe marker missing";
        return false;
    }
    if (uiKeep < fields.size()) file.resize(begin + 4 + uiKeep);
    const std::string path = dir.Write("load.enf", file);

    s_kLoad = load;
    EnStream kStream;
    const bool bLoaded = kStream.Load(path.c_str());
    s_kLoad = nullptr;
    return bLoaded;
}
