// Small helpers shared by the device-resource, geometry and render-pass tests.
#pragma once

#include <FakeEffects.h>
#include <TestDevice.h>
#include <WaveGeneratorProbe.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace gputest
{

using namespace swk::test;
using Probe = CWaveGeneratorProbe;

const DWORD kPS20 = D3DPS_VERSION(2, 0);
const DWORD kPS14 = D3DPS_VERSION(1, 4);
const DWORD kPS11 = D3DPS_VERSION(1, 1);
const DWORD kNoPS = 0;

} // namespace gputest
