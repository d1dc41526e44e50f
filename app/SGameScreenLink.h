#pragma once

#include <cstdint>

// The in-game screen as the application sees it. The screen belongs to the front end, above
// the application, so the host callbacks and the console reach it only through this
// interface. The screen announces itself while it is current (Activate to Deactivate) and the
// library may call through it from its own threads; the link never owns the screen.
class SGameScreenLink {
public:
    virtual ~SGameScreenLink() = default;

    // The current in-game screen, or null while another screen is current.
    static SGameScreenLink* Current();
    static void SetCurrent(SGameScreenLink* screen);

    virtual void EndGame() = 0;
    virtual int QueueScreenshot(int width, int height, uint8_t hideFlag, const char* pszLayout,
                                const char* pszFolder) = 0;
    virtual int ShowLayout(int kind, int id) = 0;
    virtual int ModelCommand(int command, int a, float b, int c, int d, int e) = 0;
    virtual int ShowTextureLayout(int show, int index, const char* pszLayout, float widthFactor,
                                  float heightFactor, float xFactor, float yFactor) = 0;
};
