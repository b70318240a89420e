// The one failure the tool's commands report: a one-line reason and the exit
// status the command ends with.
#pragma once

#include <stdexcept>
#include <string>

namespace swk::tools
{

enum ExitStatus
{
    kExitFailure = 1, // the work could not be done (device, files)
    kExitUsage = 2,   // the command line asks for something impossible
    kExitInterrupted = 130,
};

class ToolError : public std::runtime_error
{
public:
    ToolError(const std::string& why, int status = kExitFailure)
        : std::runtime_error(why), m_status(status)
    {
    }
    int status() const { return m_status; }

private:
    int m_status;
};

} // namespace swk::tools
