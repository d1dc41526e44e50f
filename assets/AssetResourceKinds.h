#pragma once

// Registers the resource kinds this subsystem makes (meshes, textures, models, the model
// loader, the file and texture handlers) with the resource factory; called once at start-up.
void RegisterAssetResourceKinds();
