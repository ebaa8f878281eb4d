#include "render/ImageFiles.h"

#include <stb_image.h>
#include <stb_image_write.h>
#include <strings.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/RegularFile.h"

namespace pellam::render {
namespace {

enum class Kind { kNone, kPng, kJpeg, kTiff };

// A screen shot of 8,192 x 8,192 uncompressed, with room to spare: anything larger is not ours.
constexpr size_t kLargestPictureFile = size_t(256) << 20;  // bytes

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

// The decoder reserves room for a chunk's claimed length before it reads the chunk, so a few
// bytes claiming 2 GB cost 2 GB. Every chunk up to IEND must fit in the bytes that follow its
// header; a file that ends between chunks is left to the decoder, which finds it short.
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

// The decoder builds each Huffman table of a JPEG into room for 256 codes without checking the
// counts the file gives (up to 16 x 255), and writes past it. Every byte pair that could start a
// table segment is checked here first; a table of more than 256 codes is no JPEG.
bool jpegTablesFit(const std::vector<uint8_t>& b) {
    // Bytes past the end read as 0, as the decoder reads them.
    auto at = [&](size_t i) -> size_t { return i < b.size() ? b[i] : 0; };
    for (size_t marker = 0; marker + 1 < b.size(); ++marker) {
        if (b[marker] != 0xFF || b[marker + 1] != 0xC4) continue;
        const size_t end = marker + 2 + (at(marker + 2) << 8 | at(marker + 3));
        for (size_t t = marker + 4; t < end && t < b.size();) {
            size_t codes = 0;
            for (size_t i = 1; i <= 16; ++i) codes += at(t + i);
            if (codes > 256) return false;
            t += 17 + codes;
        }
    }
    return true;
}

// The decoder also grows its output without bound while a deflate stream goes on, so a few MB of
// compressed zeros cost gigabytes. The image data is inflated here first, into a small buffer, and
// refused once it yields more than any picture of the header's size could need (16-bit RGBA, a
// filter byte a row, Adam7's extra rows), with room to spare. The chunks already fit the file.
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

// libtiff reports through handlers; a broken file is a plain "no picture" here.
void quietTiff(const char*, const char*, va_list) {}

PictureRead readTiff(const std::string& path, platform::RGBAImage& image, int largestEdge, std::string& why) {
    TIFFSetErrorHandler(quietTiff);
    TIFFSetWarningHandler(quietTiff);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) {
        why = "libtiff cannot open it";
        return PictureRead::kNotAPicture;
    }
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    PictureRead result = PictureRead::kRead;
    char message[1024] = "";
    if (w == 0 || h == 0 || w > uint32_t(largestEdge) || h > uint32_t(largestEdge)) {
        why = "its header claims " + sizeText(w, h) + " pixels, more than " + std::to_string(largestEdge) + " on a side";
        result = w && h ? PictureRead::kTooLarge : PictureRead::kNotAPicture;
    } else if (!TIFFRGBAImageOK(tif, message)) {
        why = std::string("libtiff cannot decode it: ") + message;
        result = PictureRead::kNotAPicture;
    } else {
        std::vector<uint32_t> raster(size_t(w) * h);
        if (TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0) == 0) {
            why = "libtiff cannot decode it";
            result = PictureRead::kNotAPicture;
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
    const std::optional<std::vector<uint8_t>> read = platform::readRegularFile(path, unread, kLargestPictureFile);
    if (!read) {
        why = unread;
        return platform::isRegularFile(path) ? PictureRead::kTooLarge : PictureRead::kNotAPicture;
    }
    const std::vector<uint8_t>& bytes = *read;
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
    if (named == Kind::kTiff) {
        const PictureRead result = readTiff(path, image, largestEdge, why);
        if (result != PictureRead::kRead) image = {};
        return result;
    }
    if (named == Kind::kJpeg && !jpegTablesFit(bytes)) {
        why = "a Huffman table holds more than 256 codes";
        return PictureRead::kNotAPicture;
    }
    if (named == Kind::kPng && !pngChunksFit(bytes, why)) return PictureRead::kNotAPicture;
    const int length = static_cast<int>(bytes.size());
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), length, &w, &h, &channels)) {
        why = std::string("its header cannot be read (") + stbi_failure_reason() + ")";
        return PictureRead::kNotAPicture;
    }
    if (w <= 0 || h <= 0 || w > largestEdge || h > largestEdge) {
        why = "its header claims " + sizeText(uint32_t(w), uint32_t(h)) + " pixels, more than " +
              std::to_string(largestEdge) + " on a side";
        return PictureRead::kTooLarge;
    }
    if (named == Kind::kPng && !pngInflatesWithin(bytes, uint64_t(w), uint64_t(h), why)) return PictureRead::kNotAPicture;
    int dw = 0, dh = 0;
    unsigned char* data = stbi_load_from_memory(bytes.data(), length, &dw, &dh, &channels, 4);
    if (!data || dw != w || dh != h) {
        why = std::string("it cannot be decoded (") + (data ? "its size changed" : stbi_failure_reason()) + ")";
        stbi_image_free(data);
        return PictureRead::kNotAPicture;
    }
    image.width = w;
    image.height = h;
    image.pixels.assign(data, data + size_t(w) * h * 4);
    stbi_image_free(data);
    return PictureRead::kRead;
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
