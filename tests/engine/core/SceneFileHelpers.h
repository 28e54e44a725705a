#pragma once
// Scene files for tests: hand-made records, whole files under any version, and the
// save-load-save round trip that every streamable class must pass byte for byte.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnStream.h"
#include "tests/support/TempDir.h"

// Scene-file bytes built field by field, least significant byte first.
struct SceneBytes {
    std::string s;

    SceneBytes& U8(uint32_t x) {
        s.push_back(char(x & 0xFF));
        return *this;
    }
    SceneBytes& U16(uint32_t x) { return U8(x).U8(x >> 8); }
    SceneBytes& U32(uint32_t x) { return U16(x).U16(x >> 16); }
    SceneBytes& F32(float f) { return U32(std::bit_cast<uint32_t>(f)); }
    // A stream string; null is the length 0.
    SceneBytes& Str(const char* pc) {
        if (!pc) return U32(0);
        U32(uint32_t(std::strlen(pc)));
        s += pc;
        return *this;
    }
    SceneBytes& Raw(const std::string& bytes) {
        s += bytes;
        return *this;
    }
    // The record head of a named object: class name, link ID, then the EnObjectNET fields.
    SceneBytes& NamedHead(const char* pcClass, uint32_t uiLinkID, const char* pcName = nullptr,
                          uint32_t uiExtraID = 0, uint32_t uiControllerID = 0) {
        return Str(pcClass).U32(uiLinkID).Str(pcName).U32(uiExtraID).U32(uiControllerID);
    }
    SceneBytes& Top() { return Str("Top Level Object"); }
    SceneBytes& End() { return Str("End Of File"); }
};

// The four header lines of a file of the given version ("3.1", "3.03", ...).
inline std::string SceneHeader(const char* pcVersion = "3.1") {
    return std::string("Ensemblage File Format, Version ") + pcVersion + "\n" +
           std::string(47, 'v') + "\n" + std::string(23, 'r') + "\n" + "All Rights Reserved\n";
}

// What a load gave: its result, the error code and the top-level objects.
struct LoadedScene {
    bool bLoaded = false;
    uint32_t uiError = 0;
    std::vector<EnPointer<EnObject>> kObjects;

    template <class T>
    T* Get(size_t i) const {
        return i < kObjects.size() ? EnDynamicCastTo<T>(kObjects[i].Get()) : nullptr;
    }
};

inline std::string SaveSceneBytes(const std::vector<EnObject*>& kTop) {
    TempDir dir;
    EnStream kStream;
    for (EnObject* p : kTop) kStream.InsertObject(p);
    const std::string path = dir.File("scene.enf");
    EXPECT_TRUE(kStream.Save(path.c_str()));
    return TempDir::Read(path);
}

inline LoadedScene LoadSceneBytes(const std::string& bytes) {
    TempDir dir;
    const std::string path = dir.Write("scene.enf", bytes);
    LoadedScene kScene;
    EnStream kStream;
    kScene.bLoaded = kStream.Load(path.c_str());
    kScene.uiError = EnStream::GetLastErrorCode();
    for (uint32_t i = 0; i < kStream.GetObjectCount(); i++)
        kScene.kObjects.emplace_back(kStream.GetObjectAt(i));
    return kScene;
}

// Saves the objects, loads the file, saves what was loaded: both files must be identical and
// every loaded top-level object equal to its original. Answers the loaded scene.
inline LoadedScene RoundTripScene(const std::vector<EnObject*>& kTop) {
    const std::string first = SaveSceneBytes(kTop);
    LoadedScene kScene = LoadSceneBytes(first);
    EXPECT_TRUE(kScene.bLoaded) << "error " << kScene.uiError << ": "
                                << EnStream::GetLastErrorText();
    EXPECT_EQ(kScene.kObjects.size(), kTop.size());
    if (kScene.kObjects.size() != kTop.size()) return kScene;
    std::vector<EnObject*> kLoaded;
    for (size_t i = 0; i < kTop.size(); i++) {
        EXPECT_TRUE(kTop[i]->EqualsObject(kScene.kObjects[i]))
            << "top-level object " << i << " (" << kTop[i]->GetClassName() << ")";
        kLoaded.push_back(kScene.kObjects[i]);
    }
    EXPECT_EQ(SaveSceneBytes(kLoaded), first) << "the second save differs from the first";
    return kScene;
}

// The bytes of a one-object file that follow the given record prefix (for example what follows
// a property's flags word), up to the end marker.
inline std::string FieldsAfter(const std::string& file, const std::string& prefix) {
    const size_t begin = file.find(prefix);
    const std::string end = SceneBytes().End().s;
    const size_t stop = file.rfind(end);
    if (begin == std::string::npos || stop == std::string::npos || stop < begin + prefix.size()) {
        ADD_FAILURE() << "record prefix not found";
        return {};
    }
    return file.substr(begin + prefix.size(), stop - begin - prefix.size());
}

// The lines of an object's dump, freed after copying.
inline std::vector<std::string> DumpLines(const EnObject& kObject) {
    EnTArray<char*> kStrings(8, 8);
    kObject.AppendMemberStrings(kStrings);
    std::vector<std::string> kLines;
    for (char* pc : kStrings) {
        kLines.emplace_back(pc ? pc : "(null)");
        delete[] pc;
    }
    return kLines;
}
