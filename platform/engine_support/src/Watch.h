// The watch behind CD3DWatch: which references the library handed out, from
// which call site, and where reports go.
#pragma once

#include <Brantholm.h>

#include <string>

namespace brantholm
{

void Report(const char* file, int line, const std::string& message);
// Records one reference handed out by operation at file(line).
void Hold(IUnknown* object, const char* file, int line, const char* operation);
// Reports a failed operation with its result code.
void ReportFailure(const char* file, int line, const char* operation, HRESULT hr);
std::string ResultName(HRESULT hr);

} // namespace brantholm
