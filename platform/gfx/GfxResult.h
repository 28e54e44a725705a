#pragma once
#include <cstdint>

namespace plat::gfx {

// Result of every graphics call. Ok is zero so that a result can be handed on as the 32-bit
// "result code" that callers compare with 0; every other value names one failure the renderer
// tells apart (busy surfaces are retried, lost surfaces restored, a full texture memory evicts).
enum class Result : int32_t {
    Ok = 0,
    Generic,  // a failure without a more precise reason
    InvalidParams,
    InvalidObject,
    Unsupported,
    NotFound,          // no attached surface with the asked caps
    NotLocked,         // unlock of a surface that is not locked
    SurfaceBusy,       // locked by someone else; lock again
    WasStillDrawing,   // flip or blit while the device still draws; try again
    SurfaceLost,       // memory taken away (mode change, minimised full screen); restore
    OutOfVideoMemory,  // texture or video memory full: a texture cache evicts and retries
    OutOfMemory,
    NoCooperativeLevel,  // surface creation before the window was given
    InvalidMode,         // display mode not in the list
    WrongMode,           // surfaces cannot come back in the current display state
    SurfaceAlreadyAttached,
    CannotAttachSurface,
    CannotDetachSurface,
    NoPalette,
    NoColorKey,
    NoClipper,
    SceneInScene,
    SceneNotInScene,
    InvalidVertexFormat,
    VertexBufferLocked,
    VertexBufferOptimized,  // an optimised buffer can no longer be locked
    InvalidPrimitiveType,
    UnsupportedColorOperation,
    UnsupportedColorArg,
    UnsupportedAlphaOperation,
    UnsupportedAlphaArg,
    TooManyOperations,
    UnsupportedTextureFilter,
    ConflictingTextureFilter,
    InvalidLight,
};

constexpr bool Succeeded(Result r) {
    return r == Result::Ok;
}
constexpr bool Failed(Result r) {
    return r != Result::Ok;
}
// The code a caller may keep as a plain 32-bit word (0 = success).
constexpr uint32_t ResultCode(Result r) {
    return static_cast<uint32_t>(r);
}

// Name of a result for logs, e.g. "SurfaceLost".
const char* ResultName(Result r);

}  // namespace plat::gfx
