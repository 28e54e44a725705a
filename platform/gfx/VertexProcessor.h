#pragma once
#include <cstdint>

#include "platform/gfx/GfxTypes.h"

namespace plat::gfx {

class SoftDevice;

// The fixed-function vertex pipeline on the CPU: transform to the screen, lighting and
// texture-coordinate generation as the device's states say. Vertex-buffer processing uses it;
// the rules are the same ones the OpenGL back end sets up on the GPU.
class VertexProcessor {
public:
    // Processes count vertices from src (format srcFvf, untransformed) into dst (format dstFvf,
    // pre-transformed). op holds VertexOpBits.
    static void Process(const SoftDevice& device, uint32_t op, const uint8_t* src, uint32_t srcFvf,
                        uint8_t* dst, uint32_t dstFvf, uint32_t count);

    // Applies a stage's texture transform to a coordinate of n components (the component after
    // the last given one counts as 1): the first two results, divided by the last counted one
    // when the flags say Projected.
    static void TransformTexCoord(const float* in, uint32_t n, uint32_t flags, const Matrix& matrix,
                                  float out[2]);

    // The lit colours of one vertex in camera space.
    struct LitColor {
        ColorValue diffuse;
        ColorValue specular;
    };
    static LitColor Light(const SoftDevice& device, const Vector3& cameraPos,
                          const Vector3& cameraNormal, const uint32_t* diffuse,
                          const uint32_t* specular);
};

}  // namespace plat::gfx
