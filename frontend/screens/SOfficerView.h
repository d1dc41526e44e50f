#pragma once

#include <cstdint>

#include "frontend/screens/S3DViewScreen.h"

class SActor;
class SActorWorld;
class SObjectDef;
class SScreen;

// The officer model standing in an officer page's 3D view: where the view lies on the page, how
// the camera looks at the officer and how large the officer is drawn, as the game-logic
// library's "HunterDisplay" definition says. The page's own view machinery runs the view; this
// only frames it and keeps the officer actor.
class SOfficerView {
public:
    // The layout window whose rectangle the view fills; a page without it shows no officer.
    static constexpr uint32_t kViewWindow = 6;
    static constexpr const char* kDefinition = "HunterDisplay";

    // The camera and officer values, each as the definition gives it or its default.
    struct Settings {
        float turn = 180.0f;  // "Pitch": the officer's turn about the upright axis (degrees)
        float yaw = 1.0f;     // "Yaw": the camera's yaw (degrees)
        float distance = 5.0f;
        float height = 0.5f;
        float scale = 1.0f;
        float x = 0.0f;
        float minFov = 0.0f;
        float maxFov = 180.0f;
    };
    static Settings ReadSettings(const SObjectDef* definition);

    // Takes the view rectangle from the layout and the settings from the library's definition;
    // `sessionValue` is the page's value for the model-view session record.
    void Configure(SScreen* layout, int32_t sessionValue);
    // Null when the page has no view window.
    view_desc_t* GetDesc() { return m_bHasView ? &m_Desc : nullptr; }
    void PlaceCamera(SActor* camera) const;
    // Shows the model file in the page's world; an empty path or a world without a camera
    // shows nothing.
    void Show(SActorWorld* world, const SActor* camera, const char* modelPath);
    SActor* GetOfficer() const { return m_pOfficer; }
    // The world lets go of its actors as the page leaves.
    void Forget();

private:
    view_desc_t m_Desc;
    Settings m_Settings;
    SActor* m_pOfficer = nullptr;  // the world's
    bool m_bHasView = false;
};
