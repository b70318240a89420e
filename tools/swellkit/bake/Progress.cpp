#include "Progress.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace swk::tools
{

Progress::Progress(int total, bool quiet, FILE* out)
    : m_nTotal(total), m_bQuiet(quiet), m_bTerminal(::isatty(::fileno(out)) == 1), m_pOut(out),
      m_start(std::chrono::steady_clock::now()), m_lastDrawn(m_start)
{
}

void Progress::advance(int done)
{
    if (m_bQuiet)
        return;
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    if (m_bTerminal)
    {
        // Redrawn a few times a second, and always for the last frame.
        if (done < m_nTotal && now - m_lastDrawn < std::chrono::milliseconds(100))
            return;
        m_lastDrawn = now;
        const int width = 30;
        const int filled = m_nTotal ? done * width / m_nTotal : width;
        const double left = rate > 0 ? (m_nTotal - done) / rate : 0;
        std::fprintf(m_pOut, "\r[%s%s] %d/%d frames  %.1f frames/s  %d:%02d left ",
                     std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(width - filled), '.').c_str(), done, m_nTotal, rate,
                     int(left) / 60, int(left) % 60);
        std::fflush(m_pOut);
    }
    else if (done >= m_nNextLine || done == m_nTotal)
    {
        std::fprintf(m_pOut, "frame %d of %d (%.1f frames/s)\n", done, m_nTotal, rate);
        m_nNextLine = done + std::max(1, m_nTotal / 10);
    }
}

void Progress::finish()
{
    if (!m_bQuiet && m_bTerminal)
        std::fputc('\n', m_pOut);
}

} // namespace swk::tools
