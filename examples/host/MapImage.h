// Reads a map back from the device and turns it into 8-bit RGBA for looking at.
#pragma once

#include <d3d9.h>

#include <string>
#include <vector>

struct MapImage
{
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    std::vector<float> rgba;           // four floats per texel, row by row
    std::vector<unsigned char> texels; // the texels as the device stores them, row by row
};

// Copies level 0 of a render-target texture into system memory; false with a
// one-line reason in *why when any step fails.
bool ReadBack(IDirect3DDevice9* device, IDirect3DTexture9* texture, MapImage* image,
              std::string* why);

// Writes the image as a binary PPM (red, green, blue) through a temporary file
// renamed into place, so a failed write never leaves a half-written file.
bool WritePpm(const MapImage& image, const std::string& path, std::string* why);

// Writes the stored texels as they are, the same way, for comparing builds bit for bit.
bool WriteTexels(const MapImage& image, const std::string& path, std::string* why);
