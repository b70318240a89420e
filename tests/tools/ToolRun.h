// Running the swellkit executable and reading back what it wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tooltest
{

struct Outcome
{
    int status = -1; // the exit status, or 128 + the signal
    std::string stderrText;
};

// Runs swellkit with the arguments (a shell word list) and environment
// assignments, stdout discarded.
Outcome Swellkit(const std::string& arguments, const std::string& environment = "");

// A fresh empty folder under the test's temporary directory.
std::string FreshFolder(const std::string& name);

struct Png
{
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int channels = 0;
    std::vector<int> samples; // interleaved, row by row
    int at(int x, int y, int c) const { return samples[(size_t(y) * width + x) * channels + c]; }
};

// Decodes with libpng at the file's own depth; fails the test when it cannot.
Png ReadPng(const std::string& path);

std::vector<uint8_t> FileBytes(const std::string& path);

// Final names (no hidden temporaries) in a folder, sorted.
std::vector<std::string> Listing(const std::string& folder, bool hidden = false);

} // namespace tooltest
