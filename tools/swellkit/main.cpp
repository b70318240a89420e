// swellkit: animated water textures from the command line.
#include "Commands.h"

#include "common/ToolError.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    CLI::App app("Swellkit: animated, tileable water height and normal maps, baked or live.",
                 "swellkit");
    app.set_version_flag("--version", std::string("swellkit ") + SWELLKIT_VERSION);
    app.require_subcommand(1);
    AddBakeCommand(app);
    AddViewCommand(app);
    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::CallForHelp& e)
    {
        return app.exit(e);
    }
    catch (const CLI::CallForAllHelp& e)
    {
        return app.exit(e);
    }
    catch (const CLI::CallForVersion& e)
    {
        return app.exit(e);
    }
    catch (const CLI::ParseError& e)
    {
        std::fprintf(stderr, "swellkit: %s (see --help)\n", e.what());
        return swk::tools::kExitUsage;
    }
    catch (const swk::tools::ToolError& e)
    {
        std::fprintf(stderr, "swellkit: %s\n", e.what());
        return e.status();
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "swellkit: %s\n", e.what());
        return swk::tools::kExitFailure;
    }
    return 0;
}
