// Files that appear under their final name only once complete: written under a
// hidden temporary name in the same folder and renamed into place. A file
// never committed (a failure, an interrupt) is removed.
#pragma once

#include <string>

namespace swk::tools
{

class AtomicFile
{
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const std::string& temporaryPath() const { return m_temporary; }
    const std::string& path() const { return m_path; }
    // Renames the temporary file into place; throws ToolError when it cannot,
    // or when an interrupt arrived, so that nothing new appears after it.
    void commit();

private:
    std::string m_path;
    std::string m_temporary;
    bool m_committed = false;
};

// SIGINT and SIGTERM set a flag the long loops poll; a second signal ends the
// process at once (the temporary files then stay under their hidden names).
void InstallInterruptHandler();
bool Interrupted();
// Throws ToolError with the interrupted status when a signal arrived.
void ThrowIfInterrupted();

} // namespace swk::tools
