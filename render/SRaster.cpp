#include "render/SRaster.h"

SRaster::~SRaster() = default;
