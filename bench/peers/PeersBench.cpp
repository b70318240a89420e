// The generator's CPU stages beside what a programmer would otherwise reach
// for, on the same machine in the same run:
// - a frame's CPU work (layer synthesis and the upload of two L16 textures)
//   against a plain FFT ocean step at 128 x 128 on FFTW: a Phillips spectrum
//   advanced in time and three inverse real FFTs, for the height and the two
//   slopes, as such code is usually written;
// - gradient noise samples against stb_perlin and libnoise's Perlin module,
//   one octave each on the same points, and the generator's own noise with its
//   blend weights from the cosine instead of the table;
// - the CPU normal field of a 256 x 256 grid against the scalar form the tests
//   check it with.
#include "GradientNoise.h"
#include "NormalReference.h"

#include <TestDevice.h>
#include <WaveGeneratorProbe.h>

#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <libnoise/noise.h>

#define STB_PERLIN_IMPLEMENTATION
#include <stb/stb_perlin.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace
{

using Probe = CWaveGeneratorProbe;

// A generator on the recording device (effects from the test double) whose
// noise textures are 16-bit, as on every device that offers dynamic L16.
struct Generator
{
    Generator(DWORD pixelShaderVersion, int size)
    {
        swk::test::TestDevice::Options options;
        options.pixelShaderVersion = pixelShaderVersion;
        device = std::make_unique<swk::test::TestDevice>(options);
        std::srand(1);
        generator = std::make_unique<CWaveGenerator>(device.get(), size, size);
    }
    std::unique_ptr<swk::test::TestDevice> device;
    std::unique_ptr<CWaveGenerator> generator;
};

void FrameCpuWork(benchmark::State& state)
{
    Generator g(D3DPS_VERSION(2, 0), 256);
    if (!Probe::NoiseTex(*g.generator, 0) || Probe::EightBitNoise(*g.generator))
    {
        state.SkipWithError("no 16-bit noise textures");
        return;
    }
    for (auto _ : state)
    {
        Probe::SynthesizeLayers(*g.generator, 16);
        Probe::UploadNoiseLayers(*g.generator);
        // The recording device logs each call; only the last frame's are kept.
        g.device->ClearCalls();
        benchmark::ClobberMemory();
    }
}

// Height and slopes of a 128 x 128 ocean patch from a Phillips spectrum, one
// time step per iteration.
class FftOcean
{
public:
    static constexpr int N = 128;
    static constexpr int Half = N / 2 + 1;

    FftOcean()
        : h0_(N * N), omega_(N * N), spectrum_(fftwf_alloc_complex(N * Half)),
          slopeX_(fftwf_alloc_complex(N * Half)), slopeY_(fftwf_alloc_complex(N * Half)),
          height_(fftwf_alloc_real(N * N)), dx_(fftwf_alloc_real(N * N)),
          dy_(fftwf_alloc_real(N * N))
    {
        const float length = 256.0f, wind = 20.0f, g = 9.81f, amplitude = 5e-4f;
        const float L = wind * wind / g;
        std::mt19937 random(5);
        std::normal_distribution<float> gauss(0.0f, 1.0f);
        for (int m = 0; m < N; ++m)
            for (int n = 0; n < N; ++n)
            {
                const float kx = 2.0f * float(M_PI) * float(n < N / 2 ? n : n - N) / length;
                const float ky = 2.0f * float(M_PI) * float(m < N / 2 ? m : m - N) / length;
                const float k2 = kx * kx + ky * ky;
                float phillips = 0.0f;
                if (k2 > 0.0f)
                {
                    const float cosine = kx / std::sqrt(k2);
                    phillips =
                        amplitude * std::exp(-1.0f / (k2 * L * L)) / (k2 * k2) * cosine * cosine;
                }
                h0_[m * N + n] =
                    std::complex<float>(gauss(random), gauss(random)) * std::sqrt(phillips / 2.0f);
                omega_[m * N + n] = std::sqrt(g * std::sqrt(k2));
            }
        height_plan_ = fftwf_plan_dft_c2r_2d(N, N, spectrum_, height_, FFTW_MEASURE);
        dx_plan_ = fftwf_plan_dft_c2r_2d(N, N, slopeX_, dx_, FFTW_MEASURE);
        dy_plan_ = fftwf_plan_dft_c2r_2d(N, N, slopeY_, dy_, FFTW_MEASURE);
    }
    ~FftOcean()
    {
        fftwf_destroy_plan(height_plan_);
        fftwf_destroy_plan(dx_plan_);
        fftwf_destroy_plan(dy_plan_);
        for (fftwf_complex* p : {spectrum_, slopeX_, slopeY_})
            fftwf_free(p);
        for (float* p : {height_, dx_, dy_})
            fftwf_free(p);
    }
    FftOcean(const FftOcean&) = delete;
    FftOcean& operator=(const FftOcean&) = delete;

    void Step(float t)
    {
        const float length = 256.0f;
        for (int m = 0; m < N; ++m)
            for (int n = 0; n < Half; ++n)
            {
                const int mirror = ((N - m) % N) * N + (N - n) % N;
                const float wt = omega_[m * N + n] * t;
                const std::complex<float> turn(std::cos(wt), std::sin(wt));
                const std::complex<float> h =
                    h0_[m * N + n] * turn + std::conj(h0_[mirror]) * std::conj(turn);
                const float kx = 2.0f * float(M_PI) * float(n) / length;
                const float ky = 2.0f * float(M_PI) * float(m < N / 2 ? m : m - N) / length;
                const std::complex<float> i(0.0f, 1.0f);
                const std::complex<float> sx = i * kx * h, sy = i * ky * h;
                const int at = m * Half + n;
                spectrum_[at][0] = h.real();
                spectrum_[at][1] = h.imag();
                slopeX_[at][0] = sx.real();
                slopeX_[at][1] = sx.imag();
                slopeY_[at][0] = sy.real();
                slopeY_[at][1] = sy.imag();
            }
        fftwf_execute(height_plan_);
        fftwf_execute(dx_plan_);
        fftwf_execute(dy_plan_);
    }
    const float* Height() const { return height_; }

private:
    std::vector<std::complex<float>> h0_;
    std::vector<float> omega_;
    fftwf_complex* spectrum_;
    fftwf_complex* slopeX_;
    fftwf_complex* slopeY_;
    float* height_;
    float* dx_;
    float* dy_;
    fftwf_plan height_plan_;
    fftwf_plan dx_plan_;
    fftwf_plan dy_plan_;
};

void FftOceanStep(benchmark::State& state)
{
    FftOcean ocean;
    float t = 0.0f;
    for (auto _ : state)
    {
        ocean.Step(t += 0.016f);
        benchmark::DoNotOptimize(ocean.Height()[0]);
        benchmark::ClobberMemory();
    }
}

// Sample points inside one 256-cell period, fractions as the generator's own
// coordinates have them.
struct Points
{
    static constexpr int kCount = 4096;
    Points()
    {
        std::mt19937 random(9);
        std::uniform_int_distribution<int> ticks(0, 255 * 2048);
        for (float* p : {x, y, z})
            for (int i = 0; i < kCount; ++i)
                p[i] = float(ticks(random)) / 2048.0f;
    }
    float x[kCount], y[kCount], z[kCount];
};

const Points& SamplePoints()
{
    static const Points points;
    return points;
}

template <typename Sample> void Noise(benchmark::State& state, Sample sample)
{
    const Points& p = SamplePoints();
    for (auto _ : state)
    {
        float sum = 0.0f;
        for (int i = 0; i < Points::kCount; ++i)
            sum += sample(p.x[i], p.y[i], p.z[i]);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * Points::kCount);
}

void NoiseGenerator(benchmark::State& state)
{
    std::srand(1);
    CGradientNoise noise;
    Noise(state, [&](float x, float y, float z) { return noise.Noise(x, y, z); });
}

// Coordinates below -2048 take their blend weights from the cosine, one per
// axis, instead of the table: the same fractions, so the same work otherwise.
void NoiseGeneratorCosine(benchmark::State& state)
{
    std::srand(1);
    CGradientNoise noise;
    Noise(state, [&](float x, float y, float z)
          { return noise.Noise(x - 3072.0f, y - 3072.0f, z - 3072.0f); });
}

void NoiseStbPerlin(benchmark::State& state)
{
    Noise(state, [](float x, float y, float z) { return stb_perlin_noise3(x, y, z, 0, 0, 0); });
}

void NoiseLibnoisePerlin(benchmark::State& state)
{
    noise::module::Perlin perlin;
    perlin.SetOctaveCount(1);
    Noise(state, [&](float x, float y, float z) { return float(perlin.GetValue(x, y, z)); });
}

// The grid of a 512 x 512 map on a pixel shader 1.4 device: 256 x 256 points.
struct NormalField
{
    NormalField() : g(D3DPS_VERSION(1, 4), 512)
    {
        std::mt19937 random(17);
        std::uniform_int_distribution<int> value(-16384, 16383);
        for (auto& layer : Probe::Layers(*g.generator))
            for (auto& row : layer)
                for (int& v : row)
                    v = value(random);
    }
    Generator g;
};

void NormalFieldGenerator(benchmark::State& state)
{
    NormalField field;
    for (auto _ : state)
    {
        Probe::ComputeGridNormals(*field.g.generator);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}

void NormalFieldScalar(benchmark::State& state)
{
    NormalField field;
    CWaveGenerator& generator = *field.g.generator;
    D3DXVECTOR3* normals = Probe::GridNormals(generator);
    for (auto _ : state)
    {
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                normals[y * 256 + x] =
                    normaltest::ReferenceNormal(Probe::Layers(generator), 256, 256, x, y);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}

void NormalFieldAndUpload(benchmark::State& state)
{
    NormalField field;
    for (auto _ : state)
    {
        Probe::ComputeGridNormals(*field.g.generator);
        Probe::UploadGridNormals(*field.g.generator);
        field.g.device->ClearCalls();
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(FrameCpuWork)->Unit(benchmark::kMicrosecond);
BENCHMARK(FftOceanStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(NoiseGenerator)->Unit(benchmark::kMicrosecond);
BENCHMARK(NoiseGeneratorCosine)->Unit(benchmark::kMicrosecond);
BENCHMARK(NoiseStbPerlin)->Unit(benchmark::kMicrosecond);
BENCHMARK(NoiseLibnoisePerlin)->Unit(benchmark::kMicrosecond);
BENCHMARK(NormalFieldGenerator)->Unit(benchmark::kMicrosecond);
BENCHMARK(NormalFieldScalar)->Unit(benchmark::kMicrosecond);
BENCHMARK(NormalFieldAndUpload)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
