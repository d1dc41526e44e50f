#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/models/SSMObject.h"

class SCatalog;
class STexFormat;

// The demo outdoor world: a scenario map with a hill, a pond and two placed models, the
// textures its ground, trees, sky box and water name, and the two static models with their
// ".bsp" trees, all drawn and built here. Files are given by path relative to the Home folder.
namespace home_outdoor {

struct OutdoorFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

// Where the map, the textures and the models go.
inline constexpr const char* kMapPath = "Maps/Outdoor.gmx";
inline constexpr const char* kTextureFolder = "Textures/Outdoor";
inline constexpr const char* kModelFolder = "Models/Outdoor";

// Builds a freshly imported texture format's smaller levels, colour and (where it has one)
// alpha, by averaging down from the full picture: the import fills only the full-size level,
// and anything seen from afar would sample levels that are still black. False on failure.
bool BuildSmallerLevels(STexFormat& format);

// Closes a model of one group shown in one frame: hands the model both, fills in its counts
// and names its one texture resource.
void FinishOneGroupModel(SSMObject& model, std::unique_ptr<SSMGroup> group, std::unique_ptr<SSMFrame> frame,
                         const std::string& texture);

// One face of a model, its corners in order as seen from outside, in world axes (y up).
struct Quad {
    float corners[4][3];
};

// A closed box from (x0, 0, z0) to (x1, h, z1) as quads seen from outside.
std::vector<Quad> Box(float x0, float z0, float x1, float z1, float h);

// A model of one group in one frame made of the quads, in the file's axes: the renderer turns
// (x, y, z) into (-y, z, x), so a point meant to be (X, height, Z) in the world is stored as
// (Z, -X, height). Its group is drawn and has a tree of its own in the ".bsp" file.
std::unique_ptr<SSMObject> MakeModel(const std::vector<Quad>& quads, const char* texture);

// A model's stored bytes.
std::vector<uint8_t> StoreModel(SSMObject& model);

// Every file of the outdoor world, the same bytes on every run.
std::vector<OutdoorFile> BuildOutdoorFiles();

// Keys of the catalog resources the map names: its two texture lists, the two model
// resources it places, and the file handlers their frames load the models through.
inline constexpr const char* kMeadowListKey = "GroundTexture-Meadow--24-0";
inline constexpr const char* kTreeListKey = "TreeSprites-Mixed--24-0";
inline constexpr const char* kHutModelKey = "Models-Hut--19-0";
inline constexpr const char* kCrateModelKey = "Models-Crate--19-0";
inline constexpr const char* kHutHandlerKey = "StaticModel-Hut--22-0";
inline constexpr const char* kCrateHandlerKey = "StaticModel-Crate--22-0";

// Adds the outdoor world's catalog entries, each carrying its resource: the texture lists
// (ground, trees, and the "MiscTextures" night-vision frames, centred sight and red flash),
// the sky box's "Sky_Background" handler (file "Outdoor"), a model handler per static model
// and the two model resources. The files they name are BuildOutdoorFiles' files, given
// relative to the Home folder, which the program searches.
void AddOutdoorCatalogItems(SCatalog& catalog);

}  // namespace home_outdoor
