#pragma once

class SResource;

// Called with each resource as it is destroyed, by its address alone. Layers above keep records
// by address (where an image was packed); they drop them here, so a resource made later at the
// same address inherits none. Null (the default) calls nothing; set once, on the main thread.
using SResourceGoneHook = void (*)(const SResource* pResource);
void SetResourceGoneHook(SResourceGoneHook pHook);
