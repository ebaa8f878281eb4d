#include "render/ImageFiles.h"

#include <stb_image.h>
#include <stb_image_write.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace pellam::render {
namespace {

bool isTiff(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    if (!in.read(magic, 4)) return false;
    return (std::memcmp(magic, "II*\0", 4) == 0) || (std::memcmp(magic, "MM\0*", 4) == 0);
}

// libtiff reports through handlers; a broken file is a plain "no picture" here.
void quietTiff(const char*, const char*, va_list) {}

bool readTiff(const std::string& path, platform::RGBAImage& image) {
    TIFFSetErrorHandler(quietTiff);
    TIFFSetWarningHandler(quietTiff);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    bool ok = w > 0 && h > 0 && w <= 16384 && h <= 16384;
    if (ok) {
        std::vector<uint32_t> raster(size_t(w) * h);
        ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0) != 0;
        if (ok) {
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
    return ok;
}

}  // namespace

bool readImageFile(const std::string& path, platform::RGBAImage& image) {
    image = {};
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    if (isTiff(path)) {
        if (readTiff(path, image)) return true;
        image = {};
        return false;
    }
    int w = 0, h = 0, channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &channels, 4);
    if (!data) return false;
    image.width = w;
    image.height = h;
    image.pixels.assign(data, data + size_t(w) * h * 4);
    stbi_image_free(data);
    return true;
}

std::vector<std::string> imageCandidates(const std::string& path) {
    static const char* const extensions[] = {"",     ".png", ".PNG",  ".jpg", ".JPG", ".jpeg",
                                             ".JPEG", ".tif", ".TIF", ".tiff", ".TIFF"};
    std::vector<std::string> found;
    std::error_code ec;
    for (const char* ext : extensions) {
        const std::string candidate = path + ext;
        if (std::filesystem::is_regular_file(candidate, ec)) found.push_back(candidate);
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
