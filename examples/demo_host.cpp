// A small host: constructs a wave generator on the recording test device,
// updates it for a number of frames and says what the device was asked to do.
// Seeds rand() first, as a host that wants the same water every run must.
#include <TestDevice.h>
#include <WaveGenerator.h>

#include <cstdio>
#include <cstdlib>
#include <map>

int main(int argc, char** argv)
{
    const int nFrames = argc > 1 ? std::atoi(argv[1]) : 60;
    if (nFrames < 0)
    {
        std::fprintf(stderr, "swellkit_demo: frame count must not be negative\n");
        return 2;
    }
    std::srand(1);

    swk::test::TestDevice device;
    CWaveGenerator* pGenerator = new CWaveGenerator(&device, 512, 512);
    for (int i = 0; i < nFrames; i++)
        pGenerator->Update(16);

    std::map<std::string, int> counts;
    for (const swk::test::Call& call : device.Calls())
        counts[call.name]++;
    std::printf("swellkit_demo: %d frames, height map %s, normal map %s\n", nFrames,
                pGenerator->GetHeightMap() ? "present" : "absent",
                pGenerator->GetNormalMap() ? "present" : "absent");
    for (const auto& kv : counts)
        std::printf("  %-28s %d\n", kv.first.c_str(), kv.second);
    delete pGenerator;
    return 0;
}
