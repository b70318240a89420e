// A link-time double of the D3DX effect framework for protocol tests: effects
// "compiled" from the module's resources that record every call into the test
// device's log, with compiler messages and failures a test can inject.
#pragma once

#include "TestDevice.h"

#include <d3dx9.h>

#include <map>
#include <string>

namespace swk::test
{

struct FakeEffectSettings
{
    // Compiler messages returned for a resource id (no entry: none).
    std::map<int, std::string> messages;
    // Resource ids whose creation fails (with the messages, if any).
    std::map<int, HRESULT> failures;
    // Creation calls seen: resource id and flags.
    std::vector<std::pair<int, DWORD>> created;
};

FakeEffectSettings& FakeEffects();

} // namespace swk::test
