#include "render/ImageFiles.h"

// clang-format off
#include <cstdio>  // before jpeglib.h, which uses FILE without including it
#include <jpeglib.h>
// clang-format on
#include <stb_image_write.h>
#include <strings.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <utility>

#include "platform/RegularFile.h"

namespace pellam::render {
namespace {

enum class Kind { kNone, kPng, kJpeg, kTiff };

Kind kindOfName(const std::string& path) {
    const std::string ext = std::filesystem::path(path).extension().string();
    auto is = [&](const char* e) { return strcasecmp(ext.c_str(), e) == 0; };
    if (is(".png")) return Kind::kPng;
    if (is(".jpg") || is(".jpeg")) return Kind::kJpeg;
    if (is(".tif") || is(".tiff")) return Kind::kTiff;
    return Kind::kNone;
}

Kind kindOfBytes(const std::vector<uint8_t>& b) {
    const unsigned char* magic = b.data();
    if (b.size() >= 8 && std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0) return Kind::kPng;
    if (b.size() >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return Kind::kJpeg;
    if (b.size() >= 4 && (std::memcmp(magic, "II*\0", 4) == 0 || std::memcmp(magic, "MM\0*", 4) == 0))
        return Kind::kTiff;
    return Kind::kNone;
}

// Every chunk up to IEND must fit in the bytes that follow its header, so that a few bytes
// claiming a 2 GB chunk are refused before any decoder reserves room for it; a file that ends
// between chunks is left to the decoder, which finds it short.
bool pngChunksFit(const std::vector<uint8_t>& b, std::string& why) {
    for (size_t at = 8; b.size() - at >= 8;) {
        const uint64_t length = uint64_t(b[at]) << 24 | uint64_t(b[at + 1]) << 16 | uint64_t(b[at + 2]) << 8 | b[at + 3];
        if (length + 12 > b.size() - at) {
            why = "a chunk claims " + std::to_string(length) + " bytes, more than the file holds";
            return false;
        }
        if (std::memcmp(&b[at + 4], "IEND", 4) == 0) break;
        at += size_t(length) + 12;
    }
    return true;
}

const char* kindName(Kind k) { return k == Kind::kPng ? "PNG" : k == Kind::kJpeg ? "JPEG" : "TIFF"; }

// A few MB of compressed zeros can inflate to gigabytes. The image data is inflated here first,
// into a small buffer, and refused once it yields more than any picture of the header's size could
// need (16-bit RGBA, a filter byte a row, Adam7's extra rows), with room to spare. The chunks
// already fit the file.
bool pngInflatesWithin(const std::vector<uint8_t>& b, uint64_t width, uint64_t height, std::string& why) {
    const uint64_t largest = 2 * height * (1 + width * 8) + 16 * height + 65536;  // bytes
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return true;  // the decoder will judge
    std::vector<uint8_t> out(65536);
    uint64_t inflated = 0;
    bool ended = false, fits = true;
    for (size_t at = 8; !ended && fits && b.size() - at >= 12;) {
        const uint32_t length = uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
        if (std::memcmp(&b[at + 4], "IEND", 4) == 0) break;
        if (std::memcmp(&b[at + 4], "IDAT", 4) == 0) {
            z.next_in = const_cast<Bytef*>(&b[at + 8]);
            z.avail_in = length;
            while (z.avail_in > 0 && !ended && fits) {
                z.next_out = out.data();
                z.avail_out = uInt(out.size());
                const int result = inflate(&z, Z_NO_FLUSH);
                inflated += out.size() - z.avail_out;
                fits = inflated <= largest;
                ended = result != Z_OK;  // the stream's end, or an error the decoder will report
            }
        }
        at += size_t(length) + 12;
    }
    inflateEnd(&z);
    if (!fits) why = "its image data inflates to more than " + std::to_string(largest) + " bytes";
    return fits;
}

std::string sizeText(uint64_t w, uint64_t h) { return std::to_string(w) + " x " + std::to_string(h); }

// The width and height a PNG's header claims; zero when its first chunk is no header.
std::pair<uint64_t, uint64_t> pngHeaderSize(const std::vector<uint8_t>& b) {
    if (b.size() < 24 || std::memcmp(&b[12], "IHDR", 4) != 0) return {0, 0};
    auto big = [&](size_t at) { return uint64_t(b[at]) << 24 | uint64_t(b[at + 1]) << 16 | uint64_t(b[at + 2]) << 8 | b[at + 3]; };
    return {big(16), big(20)};
}

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

PictureRead readJpeg(const std::vector<uint8_t>& bytes, platform::RGBAImage& image, int largestEdge, std::string& why) {
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

PictureRead readTiff(const std::vector<uint8_t>& bytes, platform::RGBAImage& image, int largestEdge, std::string& why) {
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

}  // namespace

PictureRead readPicture(const std::string& path, platform::RGBAImage& image, int largestEdge, std::string& why) {
    image = {};
    std::string unread;
    const std::optional<std::vector<uint8_t>> file = platform::readRegularFile(path, unread, platform::kLargestPictureFile);
    if (!file) {
        why = unread;
        return platform::isRegularFile(path) ? PictureRead::kTooLarge : PictureRead::kNotAPicture;
    }
    const std::vector<uint8_t>& bytes = *file;
    // A name without a picture extension (a mask beside its texture) may hold any of the three.
    const Kind found = kindOfBytes(bytes), named = kindOfName(path) == Kind::kNone ? found : kindOfName(path);
    if (found == Kind::kNone) {
        why = "it is not a PNG, JPEG or TIFF file";
        return PictureRead::kNotAPicture;
    }
    if (found != named) {
        why = std::string("it is named as ") + kindName(named) + " but is not a " + kindName(named) + " file";
        return PictureRead::kNotAPicture;
    }
    PictureRead read = PictureRead::kNotAPicture;
    if (named == Kind::kTiff) {
        read = readTiff(bytes, image, largestEdge, why);
    } else if (named == Kind::kJpeg) {
        read = readJpeg(bytes, image, largestEdge, why);
    } else if (pngChunksFit(bytes, why)) {
        // The inflating is checked only for a size the decoder would take at all.
        const auto [w, h] = pngHeaderSize(bytes);
        const bool tooLarge = w > uint64_t(largestEdge) || h > uint64_t(largestEdge);
        if (tooLarge || pngInflatesWithin(bytes, w, h, why)) read = platform::decodePng(bytes, image, largestEdge, why);
    }
    if (read != PictureRead::kRead) {
        image = {};
        if (why.empty()) why = "its decoder gave no reason";
    }
    return read;
}

bool readImageFile(const std::string& path, platform::RGBAImage& image) {
    constexpr int kLargestScreen = 8192;  // px
    std::string why;
    return readPicture(path, image, kLargestScreen, why) == PictureRead::kRead;
}

PictureRead readShownPicture(const std::string& path, platform::RGBAImage& image, int boxWidth, int boxHeight,
                             std::string& why) {
    const PictureRead read = readPicture(path, image, platform::kLargestShownPicture, why);
    if (read == PictureRead::kRead) platform::shrinkToFit(image, boxWidth, boxHeight);
    return read;
}

std::vector<std::string> imageCandidates(const std::string& path) {
    static const char* const extensions[] = {"",     ".png", ".PNG",  ".jpg", ".JPG", ".jpeg",
                                             ".JPEG", ".tif", ".TIF", ".tiff", ".TIFF"};
    std::vector<std::string> found;
    for (const char* ext : extensions) {
        const std::string candidate = path + ext;
        if (platform::isRegularFile(candidate)) found.push_back(candidate);
    }
    return found;
}

bool writeJpeg(const std::string& path, int width, int height, const unsigned char* rgb, int quality) {
    return stbi_write_jpg(path.c_str(), width, height, 3, rgb, quality) != 0;
}

bool writeTiff(const std::string& path, int width, int height, const unsigned char* rgb) {
    TIFFSetErrorHandler(quietTiff);
    TIFFSetWarningHandler(quietTiff);
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, uint32_t(width) * 3));
    bool ok = true;
    for (int y = 0; y < height && ok; ++y)
        ok = TIFFWriteScanline(tif, const_cast<unsigned char*>(rgb + size_t(y) * width * 3), uint32_t(y), 0) >= 0;
    TIFFClose(tif);
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace pellam::render
