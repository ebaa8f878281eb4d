#include "render/ImageFiles.h"

#include <stb_image_write.h>
#include <strings.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <utility>

#include "platform/RegularFile.h"
#include "render/ImageFilesDecode.h"

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

uint32_t bigEndian32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// Every chunk up to IEND must fit in the bytes that follow its header, so that a few bytes
// claiming a 2 GB chunk are refused before any decoder reserves room for it; a file that ends
// between chunks is left to the decoder, which finds it short.
bool pngChunksFit(const std::vector<uint8_t>& b, std::string& why) {
    for (size_t at = 8; b.size() - at >= 8;) {
        const uint64_t length = bigEndian32(b, at);
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
        const uint32_t length = bigEndian32(b, at);
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

// The width and height a PNG's header claims; zero when its first chunk is no header.
std::pair<uint64_t, uint64_t> pngHeaderSize(const std::vector<uint8_t>& b) {
    if (b.size() < 24 || std::memcmp(&b[12], "IHDR", 4) != 0) return {0, 0};
    return {bigEndian32(b, 16), bigEndian32(b, 20)};
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
        read = decodeTiff(bytes, image, largestEdge, why);
    } else if (named == Kind::kJpeg) {
        read = decodeJpeg(bytes, image, largestEdge, why);
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

std::string encodeJpeg(int width, int height, const unsigned char* rgb, int quality) {
    struct Out {
        std::string bytes;
        bool failed = false;
    } out;
    // No exception may cross the encoder's C frames: a failed allocation is carried out as a flag.
    const auto append = [](void* context, void* data, int size) {
        auto* o = static_cast<Out*>(context);
        try {
            if (!o->failed) o->bytes.append(static_cast<const char*>(data), size_t(size));
        } catch (const std::bad_alloc&) {
            o->failed = true;
        }
    };
    if (stbi_write_jpg_to_func(append, &out, width, height, 3, rgb, quality) == 0 || out.failed) return {};
    return std::move(out.bytes);
}

namespace {

// libtiff's file, kept in memory: it writes the directory last and seeks back to point the header
// at it, so this is a seekable buffer that grows as written.
struct TiffMemory {
    std::string bytes;
    size_t at = 0;
    bool failed = false;
};

tmsize_t tiffRead(thandle_t h, void* into, tmsize_t n) {
    auto* m = static_cast<TiffMemory*>(h);
    const size_t count = m->at < m->bytes.size() ? std::min(size_t(n), m->bytes.size() - m->at) : 0;
    std::memcpy(into, m->bytes.data() + m->at, count);
    m->at += count;
    return tmsize_t(count);
}

tmsize_t tiffWrite(thandle_t h, void* from, tmsize_t n) {
    auto* m = static_cast<TiffMemory*>(h);
    try {
        if (m->bytes.size() < m->at + size_t(n)) m->bytes.resize(m->at + size_t(n));
    } catch (const std::bad_alloc&) {
        m->failed = true;
        return -1;
    }
    std::memcpy(m->bytes.data() + m->at, from, size_t(n));
    m->at += size_t(n);
    return n;
}

toff_t tiffSeek(thandle_t h, toff_t offset, int whence) {
    auto* m = static_cast<TiffMemory*>(h);
    const toff_t base = whence == SEEK_CUR ? m->at : whence == SEEK_END ? m->bytes.size() : 0;
    m->at = size_t(base + offset);
    return m->at;
}

toff_t tiffSize(thandle_t h) { return static_cast<TiffMemory*>(h)->bytes.size(); }
int tiffClose(thandle_t) { return 0; }
int tiffMap(thandle_t, void**, toff_t*) { return 0; }  // never mapped
void tiffUnmap(thandle_t, void*, toff_t) {}

}  // namespace

std::string encodeTiff(int width, int height, const unsigned char* rgb) {
    // libtiff's messages go nowhere: a failure is the caller's to report.
    TIFFSetErrorHandler([](const char*, const char*, va_list) {});
    TIFFSetWarningHandler([](const char*, const char*, va_list) {});
    TiffMemory file;
    TIFF* tif = TIFFClientOpen("screen shot", "wm", &file, tiffRead, tiffWrite, tiffSeek, tiffClose, tiffSize,
                               tiffMap, tiffUnmap);
    if (!tif) return {};
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
    // The last strip and the directory are written here; TIFFClose would drop their failure.
    ok = ok && TIFFFlush(tif) == 1;
    TIFFClose(tif);
    if (!ok || file.failed) return {};
    return std::move(file.bytes);
}

}  // namespace pellam::render
