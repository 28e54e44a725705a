#pragma once
#include "tools/demodata/DemoPicture.h"

// The test track's pictures, painted from seeded noise and simple patterns so that every
// build writes the same bytes. Each tiles where its use needs it to (ground, road, walls and
// fence repeat in both directions, the sky around the horizon).
class DemoTextures {
public:
    // Light grass, for modulation by the ground's green material.
    static DemoPicture Grass();
    // Road surface across its width (u) and along the road (v): edge lines and a dashed centre.
    static DemoPicture Asphalt();
    // Chain-link mesh between a top rail and advertising boards; transparent between the wires.
    static DemoPicture Fence();
    // Sky around the horizon (u) from the horizon (bottom row) up to the zenith (top row),
    // with clouds; drawn as it is, not lit.
    static DemoPicture Sky();
    // Grey concrete blocks.
    static DemoPicture Wall();
    // The overlay banner: a chequered flag and "TEST TRACK" on a translucent panel.
    static DemoPicture Banner();
};
