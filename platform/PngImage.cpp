#include "platform/PngImage.h"

#include <png.h>

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

bool readPng(const std::string& path, RGBAImage& image) {
    image = {};
    png_image in{};
    in.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&in, path.c_str())) return false;
    // The header's size is checked before anything is allocated: a few bytes may claim millions of pixels.
    constexpr png_uint_32 kLargestEdge = 8192;  // px
    if (in.width > kLargestEdge || in.height > kLargestEdge) {
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

}  // namespace pellam::platform
