#include "platform/PngImage.h"

#include <png.h>

#include <algorithm>
#include <cmath>

#include "platform/RegularFile.h"

namespace pellam::platform {

bool writePng(const std::string& path, const RGBAImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * 4)
        return false;
    png_image out{};
    out.version = PNG_IMAGE_VERSION;
    out.width = static_cast<png_uint_32>(image.width);
    out.height = static_cast<png_uint_32>(image.height);
    out.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&out, path.c_str(), 0, image.pixels.data(), 0, nullptr) != 0;
}

bool readPng(const std::string& path, RGBAImage& image, int largestEdge) {
    image = {};
    if (!isRegularFile(path)) return false;  // a FIFO would hold the reader for ever
    png_image in{};
    in.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&in, path.c_str())) return false;
    // The header's size is checked before anything is allocated: a few bytes may claim millions of pixels.
    if (largestEdge < 1 || in.width > png_uint_32(largestEdge) || in.height > png_uint_32(largestEdge)) {
        png_image_free(&in);
        return false;
    }
    in.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(in));
    if (!png_image_finish_read(&in, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&in);
        return false;
    }
    image.width = static_cast<int>(in.width);
    image.height = static_cast<int>(in.height);
    image.pixels = std::move(pixels);
    return true;
}

void shrinkToFit(RGBAImage& image, int width, int height) {
    if (image.width <= 0 || image.height <= 0 || width <= 0 || height <= 0) return;
    if (image.width <= width && image.height <= height) return;
    const double scale = std::min(double(width) / image.width, double(height) / image.height);
    const int w = std::max(1, int(std::lround(image.width * scale)));
    const int h = std::max(1, int(std::lround(image.height * scale)));
    RGBAImage out;
    out.width = w;
    out.height = h;
    out.pixels.resize(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        // The source rows and columns this pixel covers: at least one of each.
        const int y0 = int(int64_t(y) * image.height / h), y1 = std::max(y0 + 1, int(int64_t(y + 1) * image.height / h));
        for (int x = 0; x < w; ++x) {
            const int x0 = int(int64_t(x) * image.width / w), x1 = std::max(x0 + 1, int(int64_t(x + 1) * image.width / w));
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 4; ++c) sum[c] += image.pixels[(size_t(sy) * image.width + sx) * 4 + c];
            const uint32_t n = uint32_t((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 4; ++c) out.pixels[(size_t(y) * w + x) * 4 + c] = uint8_t((sum[c] + n / 2) / n);
        }
    }
    image = std::move(out);
}

}  // namespace pellam::platform
