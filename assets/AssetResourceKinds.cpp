#include "assets/AssetResourceKinds.h"

#include "assets/handlers/SFileHandler.h"
#include "assets/handlers/STextureHandler.h"
#include "assets/models/SMesh.h"
#include "assets/models/SModel.h"
#include "assets/textures/STexture.h"
#include "core/SResourceFactory.h"

void RegisterAssetResourceKinds() {
    SResourceFactory::RegisterKind<SMesh>(kKindMesh);
    SResourceFactory::RegisterKind<STexture>(kKindTexture);
    SResourceFactory::RegisterKind<SModel>(kKindModel);
    SResourceFactory::RegisterKind<SSMLoader>(kKindSSMLoader);
    SResourceFactory::RegisterKind<SFileHandler>(kKindFileHandler);
    SResourceFactory::RegisterKind<STextureHandler>(kKindTextureHandler);
}
