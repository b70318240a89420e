#include "GifWriter.h"

#include "../common/ToolError.h"

#include <gif_lib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace swk::tools
{

GifWriter::GifWriter(const std::string& path, int width, int height)
    : m_file(path), m_nWidth(width), m_nHeight(height)
{
    int error = 0;
    // Opened here rather than by giflib, which would make the file private.
    const int fd = ::open(m_file.temporaryPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        throw ToolError("cannot create " + m_file.temporaryPath() + ": " + std::strerror(errno));
    m_pGif = EGifOpenFileHandle(fd, &error);
    if (!m_pGif)
    {
        ::close(fd);
        throw ToolError("cannot create " + m_file.temporaryPath() + ": " + GifErrorString(error));
    }
    EGifSetGifVersion(m_pGif, true);
    if (EGifPutScreenDesc(m_pGif, width, height, 8, 0, nullptr) == GIF_ERROR)
        fail("screen");
    // The application extension that makes viewers loop the animation.
    static const char s_loop[3] = {1, 0, 0};
    if (EGifPutExtensionLeader(m_pGif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(m_pGif, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(m_pGif, 3, s_loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(m_pGif) == GIF_ERROR)
        fail("loop");
    m_planes.resize(size_t(width) * size_t(height) * 4);
}

GifWriter::~GifWriter()
{
    if (m_pGif)
        EGifCloseFile(m_pGif, nullptr);
}

void GifWriter::fail(const char* what)
{
    throw ToolError(std::string("cannot write ") + m_file.temporaryPath() + " (" + what +
                    "): " + GifErrorString(m_pGif ? m_pGif->Error : 0));
}

void GifWriter::add(const float* rgb, int delay)
{
    const size_t pixels = size_t(m_nWidth) * size_t(m_nHeight);
    for (size_t i = 0; i < pixels; ++i)
        for (size_t c = 0; c < 3; ++c)
            m_planes[c * pixels + i] =
                uint8_t(std::lround(std::clamp(rgb[3 * i + c], 0.0f, 1.0f) * 255.0f));
    GifColorType colours[256];
    int count = 256;
    uint8_t* indices = &m_planes[3 * pixels];
    if (GifQuantizeBuffer(unsigned(m_nWidth), unsigned(m_nHeight), &count, &m_planes[0],
                          &m_planes[pixels], &m_planes[2 * pixels], indices, colours) == GIF_ERROR)
        fail("palette");
    GraphicsControlBlock control = {DISPOSE_DO_NOT, false, std::max(delay, 1),
                                    NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    ColorMapObject* palette = GifMakeMapObject(256, colours);
    const bool ok =
        palette &&
        EGifPutExtension(m_pGif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) != GIF_ERROR &&
        EGifPutImageDesc(m_pGif, 0, 0, m_nWidth, m_nHeight, false, palette) != GIF_ERROR &&
        EGifPutLine(m_pGif, indices, int(pixels)) != GIF_ERROR;
    GifFreeMapObject(palette);
    if (!ok)
        fail("frame");
}

void GifWriter::finish()
{
    int error = 0;
    GifFileType* gif = m_pGif;
    m_pGif = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        throw ToolError("cannot write " + m_file.temporaryPath() + ": " + GifErrorString(error));
    m_file.commit();
}

} // namespace swk::tools
