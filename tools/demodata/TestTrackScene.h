#pragma once
#include "engine/core/EnCamera.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPointer.h"

// The demo data set's test track: a closed road loop of triangle strips over textured ground
// under a sky dome, lit and vertex-coloured buildings, blended fences and glass for the alpha
// sorter, fog, start lights on a switch node, trees on level-of-detail nodes, and a camera
// over the main straight with a screen-polygon banner. The world is Z-up; the main straight
// runs along +X at y = -70.
class TestTrackScene {
public:
    static constexpr const char* SCENE_FILE = "testtrack.enf";
    // The pictures the scene names; the data set writes them beside the scene file, where the
    // stream looks for them.
    static constexpr const char* GRASS_IMAGE = "grass.tga";
    static constexpr const char* ASPHALT_IMAGE = "asphalt.tga";
    static constexpr const char* FENCE_IMAGE = "fence.tga";
    static constexpr const char* SKY_IMAGE = "sky.rgb";
    static constexpr const char* WALL_IMAGE = "wall.int";
    static constexpr const char* BANNER_IMAGE = "banner.rgba";

    // Names of the nodes the game and the tests look for.
    static constexpr const char* ROOT_NAME = "testtrack";
    static constexpr const char* SKY_NAME = "skydome";
    static constexpr const char* CAMERA_NAME = "DemoCamera";

    // The camera's view, which the picture test's window matches (4:3).
    static constexpr float FRUSTUM_HALF_WIDTH = 0.55f;
    static constexpr float FRUSTUM_HALF_HEIGHT = 0.4125f;
    static constexpr float NEAR_DISTANCE = 1.0f;
    static constexpr float FAR_DISTANCE = 650.0f;

    // Builds the graph; texture properties are made through the engine's image factory, which
    // the caller must have installed.
    TestTrackScene();

    EnNode* GetRoot() const { return m_spRoot; }
    EnCamera* GetCamera() const { return m_spCamera; }

    // Writes the scene file: the root node, then the camera (which names the root as its scene).
    bool Save(const char* pcPath) const;

private:
    EnPointer<EnNode> m_spRoot;
    EnPointer<EnCamera> m_spCamera;
};
