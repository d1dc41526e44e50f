// A library with no exports at all: every name the bridge looks up is missing.
namespace {

[[maybe_unused]] int g_unused = 0;

}  // namespace
