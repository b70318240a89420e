// A generator on the recording test device, for the stages that are members
// of CWaveGenerator. The device reports no pixel shaders, so construction
// compiles no effect; the noise stages do not depend on the path.
#pragma once

#include "NoiseProbe.h"

#include <TestDevice.h>

#include <memory>

inline std::unique_ptr<swk::test::TestDevice> MakeDevice(int nPitchPadding = 0)
{
    swk::test::TestDevice::Options options;
    options.pixelShaderVersion = 0;
    options.pitchPadding = nPitchPadding;
    return std::make_unique<swk::test::TestDevice>(options);
}

// The object holds over 400 KB of arrays, so it lives on the heap.
inline std::unique_ptr<CWaveGenerator> MakeGenerator(swk::test::TestDevice& device)
{
    return std::make_unique<CWaveGenerator>(&device, 64, 64);
}
