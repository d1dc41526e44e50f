#include "render/pipeline/SRaster.h"

SRaster::~SRaster() = default;
