// The worker that turns read-back frames into files while the generator runs
// the next frame: two frame slots, one filled by the generator's thread while
// the other is blended, shaded and encoded here.
#pragma once

#include "BakeOptions.h"
#include "GifWriter.h"

#include "../common/ImageFiles.h"
#include "../common/SurfaceNormal.h"

#include <array>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace swk::tools
{

struct Frame
{
    int index = 0;
    std::vector<float> heights; // one per texel, empty without a height map
    std::vector<float> normals; // the map's colours, (n + 1) / 2, three per texel
};

// Frames packed row by row into one image.
class Atlas
{
public:
    Atlas(int columns, int rows, int width, int height, int channels);
    void put(int index, const float* values);
    ImageView view() const;

private:
    int m_nColumns, m_nWidth, m_nHeight, m_nChannels;
    std::vector<float> m_values;
    int m_nFullWidth, m_nFullHeight;
};

class FrameWriter
{
public:
    // lead: the frames rendered before frame 0 that the last ones fade into.
    FrameWriter(const BakeOptions& options, int width, int height, bool heightMap,
                const std::vector<Frame>& lead);
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // A free slot; rethrows the worker's failure.
    Frame& acquire();
    void submit(Frame& frame);
    // Waits for every frame, then writes the animation and the atlases.
    void finish();

    double writingMs() const { return m_dWritingMs; }
    // The lowest and highest height written (0, 0 without a height map).
    float heightMin() const { return m_fHeightMin; }
    float heightMax() const { return m_fHeightMax; }

private:
    void run();
    void process(Frame& frame);
    void recomputeNormals(Frame& frame, Addressing addressing);
    void stop();

    const BakeOptions& m_options;
    int m_nWidth, m_nHeight;
    bool m_bHeightMap;
    const std::vector<Frame>& m_lead;

    std::array<Frame, 2> m_slots;
    std::deque<Frame*> m_free, m_ready;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bStopping = false;
    std::exception_ptr m_error;
    std::thread m_thread;

    ImageWriter m_writer;
    ImageWriter m_heightWriter; // used beside m_writer
    HeightField m_field;
    std::vector<float> m_preview;
    std::unique_ptr<GifWriter> m_pGif;
    std::unique_ptr<Atlas> m_pAtlas[3]; // height, normal, preview
    double m_dWritingMs = 0;
    float m_fHeightMin = 1, m_fHeightMax = 0;
};

} // namespace swk::tools
