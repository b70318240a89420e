#include "../Commands.h"
#include "Viewer.h"

#include <cstdio>
#include <cstdlib>

void AddViewCommand(CLI::App& app)
{
    auto options = std::make_shared<swellkit::view::ViewOptions>();
    CLI::App* view = app.add_subcommand(
        "view", "Shows the water live in a window. Keys: space pauses, +/- change the speed, "
                "1/2/3 switch the device class, T toggles the tiled view, R loses and restores "
                "the device, S saves a screenshot, Esc quits.");
    view->add_option("--size", options->mapSize, "Width and height of the maps")
        ->check(CLI::IsMember({32, 64, 128, 256, 512, 1024}));
    view->add_option("--class", options->deviceClass,
                     "Device class: 1 pixel shader 2.0, 2 pixel shader 1.1, 3 no pixel shaders")
        ->check(CLI::Range(1, 3));
    view->add_option("--width", options->width, "Window width")->check(CLI::Range(16, 8192));
    view->add_option("--height", options->height, "Window height")->check(CLI::Range(16, 8192));
    view->add_option("--frames", options->frames, "Quit after this many frames (0: never)")
        ->check(CLI::NonNegativeNumber);
    view->add_option("--screenshot", options->screenshot,
                     "Save the last frame shown as this PNG file at exit");
    view->add_option("--keys", options->keys, "Keys pressed by script, as frame:key,...");
    view->add_flag("--immediate", options->immediate, "Present without waiting for the display");
    view->callback(
        [options]()
        {
            swellkit::view::ViewReport report;
            std::string why;
            if (!swellkit::view::RunView(*options, &report, &why))
            {
                std::fprintf(stderr, "swellkit view: %s\n", why.c_str());
                std::exit(1);
            }
            if (report.frames > 0)
                std::printf("%d frames in %.2f s: %.1f fps, Update %.2f ms on average\n",
                            report.frames, report.seconds, report.frames / report.seconds,
                            report.updateMilliseconds);
            if (report.watchedAtExit)
            {
                std::fprintf(stderr, "swellkit view: %zu device objects leaked\n",
                             report.watchedAtExit);
                std::exit(1);
            }
        });
}
