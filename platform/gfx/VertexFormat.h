#pragma once
#include <cstdint>

namespace plat::gfx {

// Flexible vertex formats. A vertex holds, in this order: a position (three floats, or four for
// a pre-transformed screen position x, y, z, 1/w), a normal (three floats), a diffuse colour
// (0xAARRGGBB), a specular colour (0xAARRGGBB, alpha is the vertex fog factor) and 0 to 8 sets of
// two texture coordinates.
namespace VertexFormat {
constexpr uint32_t Xyz = 0x002;
constexpr uint32_t XyzRhw = 0x004;
constexpr uint32_t PositionMask = 0x00e;
constexpr uint32_t Normal = 0x010;
constexpr uint32_t Diffuse = 0x040;
constexpr uint32_t Specular = 0x080;
constexpr uint32_t TexCountMask = 0xf00;
constexpr uint32_t TexCountShift = 8;
constexpr uint32_t Tex0 = 0x000;
constexpr uint32_t Tex1 = 0x100;
constexpr uint32_t Tex2 = 0x200;

constexpr uint32_t Tex(uint32_t sets) {
    return (sets << TexCountShift) & TexCountMask;
}
constexpr uint32_t TexCount(uint32_t fvf) {
    return (fvf & TexCountMask) >> TexCountShift;
}

// Bytes of one vertex, 0 for a format without a position or with more than 8 texture sets.
constexpr uint32_t Stride(uint32_t fvf) {
    uint32_t pos = fvf & PositionMask;
    if (pos != Xyz && pos != XyzRhw) return 0;
    if (TexCount(fvf) > 8) return 0;
    uint32_t s = pos == Xyz ? 12 : 16;
    if (fvf & Normal) s += 12;
    if (fvf & Diffuse) s += 4;
    if (fvf & Specular) s += 4;
    return s + 8 * TexCount(fvf);
}
constexpr bool IsValid(uint32_t fvf) {
    return Stride(fvf) != 0 &&
           (fvf & ~(PositionMask | Normal | Diffuse | Specular | TexCountMask)) == 0 &&
           !((fvf & XyzRhw) && (fvf & Normal));
}
// Byte offsets inside a vertex.
constexpr uint32_t NormalOffset(uint32_t fvf) {
    return (fvf & PositionMask) == Xyz ? 12 : 16;
}
constexpr uint32_t DiffuseOffset(uint32_t fvf) {
    return NormalOffset(fvf) + ((fvf & Normal) ? 12 : 0);
}
constexpr uint32_t SpecularOffset(uint32_t fvf) {
    return DiffuseOffset(fvf) + ((fvf & Diffuse) ? 4 : 0);
}
constexpr uint32_t TexOffset(uint32_t fvf, uint32_t set) {
    return SpecularOffset(fvf) + ((fvf & Specular) ? 4 : 0) + 8 * set;
}
}  // namespace VertexFormat

}  // namespace plat::gfx
