#include "render/ImageFilesDecode.h"

// clang-format off
#include <cstdio>  // before jpeglib.h, which uses FILE without including it
#include <jpeglib.h>
// clang-format on
#include <tiffio.h>

#include <algorithm>
#include <csetjmp>
#include <cstdarg>
#include <cstring>
#include <limits>

#include "render/ImageFiles.h"

namespace pellam::render {
namespace {

std::string sizeText(uint64_t w, uint64_t h) { return std::to_string(w) + " x " + std::to_string(h); }

// libjpeg reports a fault by calling back, and by default ends the process: here the decoder jumps
// back to `back` with the library's message kept. Everything the jump passes over is libjpeg's own C.
struct JpegDecode {
    jpeg_error_mgr errors;  // first: libjpeg hands its address back as the decompressor's `err`
    jpeg_progress_mgr progress;
    jmp_buf back;
    char reason[JMSG_LENGTH_MAX];
};

// Each scan of a progressive file is a pass over the whole picture; encoders write about ten.
constexpr int kMostJpegScans = 100;

[[noreturn]] void jpegFails(j_common_ptr info) {
    auto* decode = reinterpret_cast<JpegDecode*>(info->err);
    info->err->format_message(info, decode->reason);
    longjmp(decode->back, 1);
}

void jpegQuiet(j_common_ptr) {}  // what libjpeg can step over (a short file's end) is not printed

void jpegProgress(j_common_ptr info) {
    auto* jpeg = reinterpret_cast<j_decompress_ptr>(info);
    if (jpeg->input_scan_number <= kMostJpegScans) return;
    auto* decode = reinterpret_cast<JpegDecode*>(info->err);
    std::snprintf(decode->reason, sizeof decode->reason, "more than %d scans", kMostJpegScans);
    longjmp(decode->back, 1);
}

// Kept apart from its caller so that no local the jump could leave stale is read after it; it owns
// nothing the jump would fail to free.
PictureRead jpegPixels(JpegDecode& decode, jpeg_decompress_struct& jpeg, const std::vector<uint8_t>& bytes,
                       platform::RGBAImage& image, int largestEdge, std::string& why) {
    if (setjmp(decode.back)) {
        why = decode.reason;
        return PictureRead::kNotAPicture;
    }
    jpeg_create_decompress(&jpeg);
    jpeg.progress = &decode.progress;
    jpeg_mem_src(&jpeg, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&jpeg, TRUE);
    const uint64_t w = jpeg.image_width, h = jpeg.image_height;
    if (w > uint64_t(largestEdge) || h > uint64_t(largestEdge)) {
        why = "its header claims " + sizeText(w, h) + " pixels, more than " + std::to_string(largestEdge) + " on a side";
        return PictureRead::kTooLarge;
    }
    // A progressive picture is held as coefficients, 2 bytes each a sample: room for four full
    // planes, so that a file of many components or odd sampling is refused rather than fed.
    jpeg.mem->max_memory_to_use = long(w * h * 8 + (4 << 20));
    const bool inks = jpeg.jpeg_color_space == JCS_CMYK || jpeg.jpeg_color_space == JCS_YCCK;
    jpeg.out_color_space = inks ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&jpeg);
    if (jpeg.output_width != w || jpeg.output_height != h || jpeg.output_components != 4) {
        why = "its pixels do not come out as 8-bit RGBA or CMYK";
        return PictureRead::kNotAPicture;
    }
    image.pixels.resize(size_t(w) * h * 4);
    while (jpeg.output_scanline < h) {
        JSAMPROW row = &image.pixels[size_t(jpeg.output_scanline) * w * 4];
        jpeg_read_scanlines(&jpeg, &row, 1);
    }
    if (inks)  // stored inverted, as every writer of CMYK JPEG does: ink k scales each colour
        for (size_t i = 0; i < image.pixels.size(); i += 4) {
            uint8_t* p = &image.pixels[i];
            for (int c = 0; c < 3; ++c) p[c] = uint8_t((p[c] * p[3] + 127) / 255);
            p[3] = 255;
        }
    image.width = int(w);
    image.height = int(h);
    return PictureRead::kRead;
}

}  // namespace

PictureRead decodeJpeg(const std::vector<uint8_t>& bytes, platform::RGBAImage& image, int largestEdge, std::string& why) {
    JpegDecode decode{};
    jpeg_decompress_struct jpeg{};
    jpeg.err = jpeg_std_error(&decode.errors);
    decode.errors.error_exit = jpegFails;
    decode.errors.output_message = jpegQuiet;
    decode.progress.progress_monitor = jpegProgress;
    const PictureRead read = jpegPixels(decode, jpeg, bytes, image, largestEdge, why);
    jpeg_destroy_decompress(&jpeg);
    return read;
}

namespace {

// libtiff reports through process-wide handlers: the last error of this thread is kept as the reason.
thread_local std::string tiffError;

void keepTiffError(const char* module, const char* format, va_list args) {
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    tiffError = message;
}
void quietTiff(const char*, const char*, va_list) {}

// The compressions a texture or screen shot is written with; libtiff's rarer codecs are not
// exposed to what a player puts in a folder.
bool tiffCompressionTaken(uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
        case COMPRESSION_LZW:
        case COMPRESSION_PACKBITS:
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
        case COMPRESSION_JPEG:
            return true;
        default:
            return false;
    }
}

// The file's bytes, already read, as libtiff's file: it does not open the file again by name.
struct TiffBytes {
    const std::vector<uint8_t>& bytes;
    toff_t at = 0;
};
tmsize_t tiffRead(thandle_t handle, void* into, tmsize_t length) {
    auto* file = static_cast<TiffBytes*>(handle);
    if (length < 0 || file->at >= file->bytes.size()) return 0;
    const size_t n = std::min<uint64_t>(uint64_t(length), file->bytes.size() - file->at);
    std::memcpy(into, file->bytes.data() + file->at, n);
    file->at += n;
    return tmsize_t(n);
}
tmsize_t tiffWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t tiffSeek(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<TiffBytes*>(handle);
    const toff_t from = whence == SEEK_CUR ? file->at : whence == SEEK_END ? file->bytes.size() : 0;
    if (offset > std::numeric_limits<toff_t>::max() - from) return toff_t(-1);
    return file->at = from + offset;
}
int tiffClose(thandle_t) { return 0; }
toff_t tiffSize(thandle_t handle) { return static_cast<TiffBytes*>(handle)->bytes.size(); }
int tiffMap(thandle_t handle, void** base, toff_t* size) {
    auto* file = static_cast<TiffBytes*>(handle);
    *base = const_cast<uint8_t*>(file->bytes.data());
    *size = file->bytes.size();
    return 1;
}
void tiffUnmap(thandle_t, void*, toff_t) {}

}  // namespace

PictureRead decodeTiff(const std::vector<uint8_t>& bytes, platform::RGBAImage& image, int largestEdge, std::string& why) {
    TIFFSetErrorHandler(keepTiffError);
    TIFFSetWarningHandler(quietTiff);
    tiffError.clear();
    TiffBytes file{bytes};
    TIFF* tif = TIFFClientOpen("picture", "r", &file, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize, tiffMap,
                               tiffUnmap);
    auto failed = [&](const char* what) {
        why = std::string(what) + (tiffError.empty() ? "" : ": " + tiffError);
        return PictureRead::kNotAPicture;
    };
    if (!tif) return failed("libtiff cannot open it");
    uint32_t w = 0, h = 0;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    PictureRead result = PictureRead::kRead;
    char message[1024] = "";
    if (w == 0 || h == 0 || w > uint32_t(largestEdge) || h > uint32_t(largestEdge)) {
        why = "its header claims " + sizeText(w, h) + " pixels, more than " + std::to_string(largestEdge) + " on a side";
        result = w && h ? PictureRead::kTooLarge : PictureRead::kNotAPicture;
    } else if (!tiffCompressionTaken(compression)) {
        why = "its compression (scheme " + std::to_string(compression) + ") is not one the game reads";
        result = PictureRead::kNotAPicture;
    } else if (!TIFFRGBAImageOK(tif, message)) {
        why = std::string("libtiff cannot decode it: ") + message;
        result = PictureRead::kNotAPicture;
    } else {
        std::vector<uint32_t> raster(size_t(w) * h);
        if (TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0) == 0) {
            result = failed("libtiff cannot decode it");
        } else {
            image.width = int(w);
            image.height = int(h);
            image.pixels.resize(raster.size() * 4);
            for (size_t i = 0; i < raster.size(); ++i) {
                image.pixels[4 * i + 0] = uint8_t(TIFFGetR(raster[i]));
                image.pixels[4 * i + 1] = uint8_t(TIFFGetG(raster[i]));
                image.pixels[4 * i + 2] = uint8_t(TIFFGetB(raster[i]));
                image.pixels[4 * i + 3] = uint8_t(TIFFGetA(raster[i]));
            }
        }
    }
    TIFFClose(tif);
    return result;
}

}  // namespace pellam::render
