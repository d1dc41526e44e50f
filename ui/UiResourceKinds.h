#pragma once

// Tells the resource factory about every kind of resource the interface toolkit reads from the
// catalog: images, fonts, sprites, animations, screens, dialogs and the widgets. Start-up calls
// it once, before the catalog is opened; further calls do nothing.
void RegisterUiResourceKinds();
