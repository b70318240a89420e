// Preloaded under LeakSanitizer: libraries that the Vulkan loader opens (the
// driver) stay mapped at exit, so that what their globals still point to is
// not taken for a leak and their frames can be named.
extern "C" __attribute__((visibility("default"))) int dlclose(void*)
{
    return 0;
}
