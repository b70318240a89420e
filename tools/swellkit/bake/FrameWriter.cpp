#include "FrameWriter.h"

#include "../common/WaterShading.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <future>

namespace swk::tools
{

namespace
{

std::string Numbered(const std::string& folder, const char* map, int index, ImageFormat format)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s_%04d%s", map, index, Extension(format));
    return (std::filesystem::path(folder) / name).string();
}

// Hundredths of a second frame k stays on screen, rounded without drift.
int GifDelay(int k, double fps)
{
    const auto clock = [fps](int frames) { return std::llround(frames * 100.0 / fps); };
    return int(clock(k + 1) - clock(k));
}

} // namespace

Atlas::Atlas(int columns, int rows, int width, int height, int channels)
    : m_nColumns(columns), m_nWidth(width), m_nHeight(height), m_nChannels(channels),
      m_values(size_t(columns) * size_t(rows) * size_t(width) * size_t(height) * size_t(channels)),
      m_nFullWidth(columns * width), m_nFullHeight(rows * height)
{
}

void Atlas::put(int index, const float* values)
{
    const size_t row = size_t(m_nWidth) * size_t(m_nChannels);
    const size_t x0 = size_t(index % m_nColumns) * row;
    const size_t y0 = size_t(index / m_nColumns) * size_t(m_nHeight);
    for (size_t y = 0; y < size_t(m_nHeight); ++y)
        std::copy(values + y * row, values + (y + 1) * row,
                  m_values.begin() + ptrdiff_t((y0 + y) * size_t(m_nFullWidth) * m_nChannels + x0));
}

ImageView Atlas::view() const
{
    return ImageView{m_nFullWidth, m_nFullHeight, m_nChannels, m_values.data()};
}

FrameWriter::FrameWriter(const BakeOptions& options, int width, int height, bool heightMap,
                         const std::vector<Frame>& lead)
    : m_options(options), m_nWidth(width), m_nHeight(height), m_bHeightMap(heightMap), m_lead(lead)
{
    m_field.width = width;
    m_field.height = height;
    m_preview.resize(size_t(width) * size_t(height) * 3);
    if (options.previews)
        m_pGif = std::make_unique<GifWriter>(
            (std::filesystem::path(options.out) / "preview.gif").string(), width, height);
    if (options.atlasColumns > 0)
    {
        const bool wanted[3] = {options.heightMaps && heightMap, options.normalMaps,
                                options.previews};
        for (int map = 0; map < 3; ++map)
            if (wanted[map])
                m_pAtlas[map] = std::make_unique<Atlas>(options.atlasColumns, options.atlasRows,
                                                        width, height, map == 0 ? 1 : 3);
    }
    for (Frame& slot : m_slots)
        m_free.push_back(&slot);
    m_thread = std::thread([this] { run(); });
}

FrameWriter::~FrameWriter()
{
    stop();
}

void FrameWriter::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

Frame& FrameWriter::acquire()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_free.empty() || m_error; });
    if (m_error)
        std::rethrow_exception(m_error);
    Frame* frame = m_free.front();
    m_free.pop_front();
    return *frame;
}

void FrameWriter::submit(Frame& frame)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ready.push_back(&frame);
    }
    m_changed.notify_all();
}

void FrameWriter::run()
{
    for (;;)
    {
        Frame* frame = nullptr;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_ready.empty() || m_bStopping; });
            if (m_ready.empty())
                return;
            frame = m_ready.front();
            m_ready.pop_front();
        }
        std::exception_ptr error;
        if (!m_error)
        {
            try
            {
                process(*frame);
            }
            catch (...)
            {
                error = std::current_exception();
            }
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (error && !m_error)
                m_error = error;
            m_free.push_back(frame);
        }
        m_changed.notify_all();
    }
}

void FrameWriter::finish()
{
    stop();
    if (m_error)
        std::rethrow_exception(m_error);
    if (m_pGif)
        m_pGif->finish();
    const char* names[3] = {"height", "normal", "preview"};
    for (int map = 0; map < 3; ++map)
        if (m_pAtlas[map])
            m_writer.write(m_pAtlas[map]->view(), m_options.format,
                           (std::filesystem::path(m_options.out) /
                            (std::string(names[map]) + "_atlas" + Extension(m_options.format)))
                               .string());
}

void FrameWriter::recomputeNormals(Frame& frame, Addressing addressing)
{
    m_field.values.assign(frame.heights.begin(), frame.heights.end());
    float* colour = frame.normals.data();
    for (int y = 0; y < m_nHeight; ++y)
        for (int x = 0; x < m_nWidth; ++x)
        {
            const std::array<double, 3> n = SurfaceNormal(m_field, x, y, addressing);
            for (int c = 0; c < 3; ++c)
                *colour++ = float((n[size_t(c)] + 1) / 2);
        }
}

void FrameWriter::process(Frame& frame)
{
    const auto begun = std::chrono::steady_clock::now();
    const int first = m_options.frames - m_options.loop;
    const bool fading = m_options.loop > 0 && frame.index >= first;
    if (fading)
    {
        // The last frame becomes the lead-in frame just before frame 0.
        const Frame& lead = m_lead[size_t(frame.index - first)];
        const float w = float(frame.index - first + 1) / float(m_options.loop);
        if (m_bHeightMap)
            for (size_t i = 0; i < frame.heights.size(); ++i)
                frame.heights[i] += (lead.heights[i] - frame.heights[i]) * w;
        else
            for (size_t i = 0; i < frame.normals.size(); i += 3)
            {
                float n[3];
                for (size_t c = 0; c < 3; ++c)
                    n[c] = (2 * frame.normals[i + c] - 1) * (1 - w) +
                           (2 * lead.normals[i + c] - 1) * w;
                const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                for (size_t c = 0; c < 3; ++c)
                    frame.normals[i + c] = length > 0 ? (n[c] / length + 1) / 2 : 0.5f;
            }
    }
    if (m_bHeightMap && (m_options.tile || (fading)))
        recomputeNormals(frame, m_options.tile ? Addressing::Wrap : Addressing::Mirror);
    for (float h : frame.heights)
    {
        m_fHeightMin = std::min(m_fHeightMin, h);
        m_fHeightMax = std::max(m_fHeightMax, h);
    }
    if (m_options.previews)
        for (size_t i = 0; i < frame.normals.size(); i += 3)
        {
            const std::array<float, 3> c =
                ShadeWater(2 * frame.normals[i] - 1, 2 * frame.normals[i + 1] - 1,
                           2 * frame.normals[i + 2] - 1);
            std::copy(c.begin(), c.end(), m_preview.begin() + ptrdiff_t(i));
        }
    if (m_options.normalYUp)
        for (size_t i = 1; i < frame.normals.size(); i += 3)
            frame.normals[i] = 1 - frame.normals[i];

    const ImageView views[3] = {{m_nWidth, m_nHeight, 1, frame.heights.data()},
                                {m_nWidth, m_nHeight, 3, frame.normals.data()},
                                {m_nWidth, m_nHeight, 3, m_preview.data()}};
    const bool wanted[3] = {m_options.heightMaps && m_bHeightMap, m_options.normalMaps,
                            m_options.previews};
    const char* names[3] = {"height", "normal", "preview"};
    auto write = [&](int map, ImageWriter& writer)
    {
        writer.write(views[map], m_options.format,
                     Numbered(m_options.out, names[map], frame.index, m_options.format));
        if (m_pAtlas[map])
            m_pAtlas[map]->put(frame.index, views[map].values);
    };
    // The height map is encoded beside the others: encoding is most of the
    // frame's work here, and the generator's thread waits on the GPU meanwhile.
    std::future<void> height;
    if (wanted[0])
        height = std::async(std::launch::async, [&] { write(0, m_heightWriter); });
    for (int map = 1; map < 3; ++map)
        if (wanted[map])
            write(map, m_writer);
    if (height.valid())
        height.get();
    if (m_pGif)
        m_pGif->add(m_preview.data(), GifDelay(frame.index, m_options.fps));
    m_dWritingMs +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begun).count();
}

} // namespace swk::tools
