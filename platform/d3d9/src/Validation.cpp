#include "Validation.h"

#include <cstdio>

namespace swk::d3d9
{
namespace
{

struct RuleInfo
{
    HRESULT code;
    const char* message;
};

constexpr RuleInfo kRules[] = {
#define SWK_D3D9_RULE_INFO(name, code, message) {code, message},
    SWK_D3D9_RULES(SWK_D3D9_RULE_INFO)
#undef SWK_D3D9_RULE_INFO
};

} // namespace

HRESULT Validation::refuse(const char* entryPoint, Rule rule, unsigned a, unsigned b) const
{
    const RuleInfo& info = kRules[static_cast<int>(rule)];
    if (!messages_)
        return info.code;
    char line[256];
    const int prefix = std::snprintf(line, sizeof line, "%s: ", entryPoint);
    if (prefix > 0 && size_t(prefix) < sizeof line)
    {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        // The messages are the fixed table above, each taking at most two unsigned values.
        std::snprintf(line + prefix, sizeof line - prefix, info.message, a, b);
#pragma GCC diagnostic pop
    }
    if (callback_)
        callback_(line, userData_);
    else
        std::fprintf(stderr, "swk-d3d9 validation: %s\n", line);
    return info.code;
}

} // namespace swk::d3d9
