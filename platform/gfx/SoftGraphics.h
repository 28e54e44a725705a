#pragma once
#include <cstdarg>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/gfx/GfxConfig.h"
#include "platform/gfx/Graphics.h"

namespace plat::gfx {

class SoftBackend;
class SoftDevice;
class SoftGraphics3D;
class SoftSurface;
class SoftVertexBuffer;

enum class SurfaceKind {
    Primary,       // the screen (front of a flip chain in full screen)
    BackBuffer,    // back buffer of a flip chain
    RenderTarget,  // off-screen 3D target, optionally a texture
    Plain,         // off-screen plain surface
    ZBuffer,
    Texture,  // system-memory image or device texture, optionally a mip level
};

// The software model of a graphics object, shared by the back ends: it keeps the cooperative
// level and display mode, creates and accounts surfaces (texture budget, lost state), records
// calls and answers injected faults. Back ends derive from it and from the other Soft* classes
// to put the pixels somewhere real.
//
// Every call of every object made from it runs under the object's one lock (recursive), so a
// device may be used from two threads; a back end's Enter hook runs on a thread's outermost
// call (the OpenGL back end makes its context current there).
class SoftGraphics : public Graphics {
public:
    SoftGraphics(SoftBackend* backend, const GfxConfig& config, const GfxConfig::Driver& driver);
    ~SoftGraphics() override;

    Result GetCaps(GraphicsCaps* driverCaps, GraphicsCaps* emulationCaps) override;
    Result GetDeviceIdentifier(DeviceIdentifier& id, uint32_t flags) override;
    Result EnumDisplayModes(uint32_t flags, const SurfaceDesc* filter,
                            const DisplayModeCallback& callback) override;
    Result SetCooperativeLevel(Window* window, uint32_t flags) override;
    Result SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                          uint32_t refreshRate, uint32_t flags) override;
    Result RestoreDisplayMode() override;
    Result GetDisplayMode(SurfaceDesc& mode) override;
    Result CreateSurface(const SurfaceDesc& desc, Surface** surface) override;
    Result CreateClipper(uint32_t flags, Clipper** clipper) override;
    Result CreatePalette(uint32_t caps, const PaletteEntry* entries, Palette** palette) override;
    Result GetAvailableVidMem(const SurfaceCaps& caps, uint32_t* total, uint32_t* free) override;
    Result RestoreAllSurfaces() override;
    Result QueryGraphics3D(Graphics3D** g3d) override;

    // Serialises a call; the outermost scope of a thread runs the back end's Enter hook.
    class Scope {
    public:
        explicit Scope(SoftGraphics* g);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        SoftGraphics* m_g;
    };

    // Ok, or the injected failure of this call.
    Result Fault(const char* call, uint32_t caps = 0);
    bool Logging() const;
    // Records "text -> result" when logging and hands the result back.
    Result Trace(Result r, const char* format, ...) __attribute__((format(printf, 3, 4)));
    uint32_t NextId() { return ++m_nextId; }

    const GfxConfig::Driver& Driver() const { return m_driver; }
    SoftBackend* Backend() const { return m_backend; }
    void DetachBackend() { m_backend = nullptr; }
    Window* CooperativeWindow() const { return m_window; }
    uint32_t CooperativeFlags() const { return m_coop; }
    bool IsFullScreen() const { return (m_coop & CoopBits::FullScreen) != 0; }
    bool DisplayModeSet() const { return m_modeSet; }
    // The display's size and format: the mode set, else the desktop.
    uint32_t DisplayWidth() const;
    uint32_t DisplayHeight() const;
    PixelFormat DisplayFormat() const;

    // Surface bookkeeping.
    void RegisterSurface(SoftSurface* s);
    void UnregisterSurface(SoftSurface* s);
    Result ChargeTexture(uint32_t bytes);
    void RefundTexture(uint32_t bytes);
    uint32_t TextureBytesUsed() const { return m_textureBytes; }
    void SetTextureBudget(uint32_t bytes) { m_textureBudget = bytes; }
    void LoseAllSurfaces();

    // Back-end factories and hooks.
    virtual SoftSurface* NewSurface(SurfaceKind kind, const SurfaceDesc& resolved);
    virtual SoftDevice* NewDevice(SoftGraphics3D* g3d, DeviceType type, SoftSurface* target,
                                  const DeviceDesc& caps);
    virtual SoftVertexBuffer* NewVertexBuffer(const VertexBufferDesc& desc);
    // Whether lost surfaces can come back now (not while a full-screen window is minimised).
    virtual bool CanRestoreSurfaces() const { return true; }

protected:
    // The desktop the windowed primary surface stands for.
    void SetDesktop(const GfxConfig::Mode& mode) { m_desktop = mode; }
    virtual void Enter() {}
    // Runs when a thread's outermost call ends, still under the lock.
    virtual void Leave() {}
    virtual Result OnCooperativeLevel(Window* window, uint32_t flags);
    virtual Result OnDisplayMode(bool set, uint32_t width, uint32_t height, uint32_t bits);

private:
    Result CreateSurfaceImpl(const SurfaceDesc& desc, Surface** surface);
    Result CreateFlipChain(const SurfaceDesc& desc, Surface** surface);
    Result CreateTexture(const SurfaceDesc& desc, Surface** surface);

    SoftBackend* m_backend;
    GfxConfig::Driver m_driver;
    GfxConfig::Mode m_desktop;
    uint32_t m_maxBackBuffers;
    uint32_t m_videoMemory;
    bool m_nonLocalTextureTargets;

    std::recursive_mutex m_mutex;
    int m_depth = 0;
    uint32_t m_nextId = 0;

    Window* m_window = nullptr;
    uint32_t m_coop = 0;
    bool m_modeSet = false;
    GfxConfig::Mode m_mode;

    std::vector<SoftSurface*> m_surfaces;
    uint32_t m_textureBytes = 0;
    uint32_t m_textureBudget;
};

}  // namespace plat::gfx
