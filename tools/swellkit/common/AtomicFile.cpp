#include "AtomicFile.h"

#include "ToolError.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace swk::tools
{

namespace
{

std::atomic<bool> g_bInterrupted{false};

extern "C" void OnInterrupt(int signal)
{
    g_bInterrupted.store(true);
    std::signal(signal, SIG_DFL);
}

} // namespace

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path))
{
    const std::filesystem::path final(m_path);
    m_temporary = (final.parent_path() /
                   ("." + final.filename().string() + ".partial-" + std::to_string(::getpid())))
                      .string();
}

AtomicFile::~AtomicFile()
{
    if (!m_committed)
        std::remove(m_temporary.c_str());
}

void AtomicFile::commit()
{
    ThrowIfInterrupted();
    if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        throw ToolError("cannot rename " + m_temporary + " to " + m_path);
    m_committed = true;
}

void InstallInterruptHandler()
{
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted()
{
    return g_bInterrupted.load();
}

void ThrowIfInterrupted()
{
    if (Interrupted())
        throw ToolError("interrupted; no incomplete file was left", kExitInterrupted);
}

} // namespace swk::tools
