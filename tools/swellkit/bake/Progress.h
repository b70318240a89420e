// Progress on stderr: a bar with frames done, rate and time left when stderr
// is a terminal, a plain line every tenth of the work otherwise, nothing when
// quiet.
#pragma once

#include <chrono>
#include <cstdio>

namespace swk::tools
{

class Progress
{
public:
    Progress(int total, bool quiet, FILE* out = stderr);
    void advance(int done);
    void finish();

private:
    int m_nTotal;
    bool m_bQuiet;
    bool m_bTerminal;
    FILE* m_pOut;
    int m_nNextLine = 0;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDrawn;
};

} // namespace swk::tools
