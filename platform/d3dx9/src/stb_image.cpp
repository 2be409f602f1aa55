// The one translation unit that compiles stb_image, limited to the four file types the game reads. Its
// buffers (a whole decoded image, the inflated rows of a PNG) come from the pixel memory of the device.
#include "pixelmemory.h"
#define STBI_MALLOC(bytes) d3d9::AllocatePixels(bytes)
#define STBI_REALLOC(block, bytes) d3d9::ReallocatePixels(block, bytes)
#define STBI_FREE(block) d3d9::FreePixels(block)
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_image.h>
#pragma GCC diagnostic pop
