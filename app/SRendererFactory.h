#pragma once

#include "dx/display/SDisplayHooks.h"
#include "render/parser/SParser.h"
#include "render/pipeline/SRaster.h"

class SD3D6Parser;
class SGameItems;

// Builds the Direct3D renderer the display manager asks for on every display-mode change, hands
// it to the game items as their current renderer and drives it for the display manager. It
// keeps the two records the renderer holds on to, so they live as long as the renderer. Owned
// by start-up next to the display manager; the renderer itself belongs to the game items.
class SRendererFactory : public SDisplayRenderer {
public:
    explicit SRendererFactory(SGameItems* items) : m_pItems(items) {}
    ~SRendererFactory() override = default;
    SRendererFactory(const SRendererFactory&) = delete;
    SRendererFactory& operator=(const SRendererFactory&) = delete;

    // A new renderer, made current in the game items; this object stands for it.
    SDisplayRenderer* CreateRenderer();
    // This object while the game items hold a renderer, else null.
    SDisplayRenderer* GetRenderer();
    // Shuts down and deletes the game items' renderer; nothing without one.
    void ReleaseRenderer();

    int Create(const SDisplayCreateRecord& record) override;
    int CreateRaster(const SDisplayDeviceRecord& record) override;
    int BeginFrame() override;
    int RenderFrame() override;
    int EndFrame() override;
    int EvictManagedTextures() override;
    int SetViewRects(int l1, int t1, int r1, int b1, int l2, int t2, int r2, int b2) override;
    int IsReady() override;
    void GetFrameStats(SDisplayFrameStats& stats) override;

    SD3D6Parser* GetParser() const;

private:
    SGameItems* m_pItems;  // the hub's game items; not owned
    SParserCreateInfo m_CreateInfo;
    SRasterDeviceRecord m_DeviceRecord;
};
