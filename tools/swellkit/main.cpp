#include "Commands.h"

int main(int argc, char** argv)
{
    CLI::App app{"Swellkit: animated water for Direct3D 9 hosts"};
    app.require_subcommand(1);
    AddViewCommand(app);
    CLI11_PARSE(app, argc, argv);
    return 0;
}
