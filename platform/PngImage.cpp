#include "platform/PngImage.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <optional>

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

namespace {

// libpng reports a fault by calling back, and must not be returned to: the decoder jumps back to
// `back` with the library's message kept. The jump passes over libpng's own C only, so whatever
// the decoding allocates lives here, outside it.
struct PngDecode {
    const std::vector<uint8_t>& bytes;
    size_t at = 8;  // past the signature, checked before libpng starts
    jmp_buf back;
    std::string reason;
    std::vector<png_bytep> rows;
};

[[noreturn]] void pngFails(png_structp png, png_const_charp message) {
    auto* decode = static_cast<PngDecode*>(png_get_error_ptr(png));
    decode->reason = message && *message ? message : "libpng gave no reason";
    longjmp(decode->back, 1);
}

void pngWarns(png_structp, png_const_charp) {}  // what libpng can step over is not the player's concern

void pngRead(png_structp png, png_bytep into, size_t length) {
    auto* decode = static_cast<PngDecode*>(png_get_io_ptr(png));
    if (length > decode->bytes.size() - decode->at) png_error(png, "the file ends inside a chunk");
    std::memcpy(into, decode->bytes.data() + decode->at, length);
    decode->at += length;
}

// Kept apart from its caller so that no local the jump could leave stale is read after it; it owns
// nothing the jump would fail to free.
PictureRead pngPixels(PngDecode& decode, png_structp png, png_infop info, RGBAImage& image, int largestEdge,
                      std::string& why) {
    if (setjmp(decode.back)) {
        why = decode.reason;
        return PictureRead::kNotAPicture;
    }
    png_set_read_fn(png, &decode, pngRead);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    if (width > png_uint_32(largestEdge) || height > png_uint_32(largestEdge)) {
        why = "its header claims " + std::to_string(width) + " x " + std::to_string(height) + " pixels, more than " +
              std::to_string(largestEdge) + " on a side";
        return PictureRead::kTooLarge;
    }
    const int colour = png_get_color_type(png, info);
    png_set_strip_16(png);
    png_set_packing(png);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    else if (!(colour & PNG_COLOR_MASK_ALPHA)) png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    if (!(colour & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4) {
        why = "its pixels do not come out as 8-bit RGBA";
        return PictureRead::kNotAPicture;
    }
    image.pixels.resize(size_t(width) * height * 4);
    decode.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) decode.rows[y] = &image.pixels[size_t(y) * width * 4];
    png_read_image(png, decode.rows.data());
    image.width = int(width);
    image.height = int(height);
    return PictureRead::kRead;
}

}  // namespace

PictureRead decodePng(const std::vector<uint8_t>& bytes, RGBAImage& image, int largestEdge, std::string& why) {
    image = {};
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
        why = "it is not a PNG file";
        return PictureRead::kNotAPicture;
    }
    PngDecode decode{bytes, 8, {}, {}, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decode, pngFails, pngWarns);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PictureRead read = PictureRead::kNotAPicture;
    if (!info) why = "libpng cannot start (out of memory)";
    else read = pngPixels(decode, png, info, image, std::max(largestEdge, 0), why);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (read != PictureRead::kRead) image = {};
    return read;
}

bool readPng(const std::string& path, RGBAImage& image, int largestEdge) {
    image = {};
    std::string why;
    const std::optional<std::vector<uint8_t>> bytes = readRegularFile(path, why, kLargestPictureFile);
    return bytes && decodePng(*bytes, image, largestEdge, why) == PictureRead::kRead;
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
