// Writes the picture target's seeds: one small file of every kind the picture reader takes, made
// by the same libraries that read them. Run from the source folder after building it:
//   build/fuzz/picture_seeds fuzz/picture_seeds
// clang-format off
#include <cstdio>  // before jpeglib.h, which uses FILE without including it
#include <jpeglib.h>
// clang-format on
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string folder;

// A picture with something in every channel: two gradients and a disc, so that each codec has
// edges, flat runs and noise-free ramps to work on. 8 bits a sample unless `wide`.
uint16_t sample(int x, int y, int c, int edge, bool wide) {
    const double fx = double(x) / (edge - 1), fy = double(y) / (edge - 1);
    const double dx = fx - 0.5, dy = fy - 0.5;
    const bool disc = dx * dx + dy * dy < 0.1;
    const double v = c == 0 ? fx : c == 1 ? fy : c == 2 ? (disc ? 1.0 : 0.2) : (disc ? 1.0 : fx * 0.5);
    return uint16_t(std::lround(v * (wide ? 65535 : 255)));
}

void fail(const std::string& what) {
    std::fprintf(stderr, "picture_seeds: %s\n", what.c_str());
    std::exit(1);
}

// colour: a PNG colour type; depth 1..16; a palette picture gets 16 colours, half of them clear.
void writePng(const char* name, int edge, int colour, int depth, bool interlaced) {
    const std::string path = folder + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) fail("cannot write " + path);
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) fail("libpng cannot write " + path);
    png_init_io(p, f);
    png_set_compression_level(p, 9);
    png_set_IHDR(p, info, edge, edge, depth, colour, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colour == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[16];
        png_byte clear[16];
        for (int i = 0; i < 16; ++i) {
            palette[i] = {png_byte(i * 16), png_byte(255 - i * 16), png_byte(i * 5)};
            clear[i] = png_byte(i % 2 ? 255 : i * 8);
        }
        png_set_PLTE(p, info, palette, 16);
        png_set_tRNS(p, info, clear, 16, nullptr);
    }
    png_write_info(p, info);
    if (depth == 16) png_set_swap(p);  // rows below are in this machine's order
    const bool wide = depth == 16;
    const int channels = colour == PNG_COLOR_TYPE_PALETTE || colour == PNG_COLOR_TYPE_GRAY ? 1
                         : colour == PNG_COLOR_TYPE_GRAY_ALPHA                             ? 2
                         : colour == PNG_COLOR_TYPE_RGB                                    ? 3
                                                                                           : 4;
    std::vector<std::vector<png_byte>> rows(edge, std::vector<png_byte>(size_t(edge) * channels * 2));
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x)
            for (int c = 0; c < channels; ++c) {
                // Gray takes the first channel; gray + alpha the first and the alpha.
                const int from = channels == 2 && c == 1 ? 3 : c;
                uint16_t v = sample(x, y, from, edge, wide);
                if (colour == PNG_COLOR_TYPE_PALETTE) v = uint16_t((x + y) % 16);
                if (depth < 8) {  // packed, leftmost pixel in the high bits
                    if (colour != PNG_COLOR_TYPE_PALETTE) v = uint16_t(v >> (8 - depth));
                    const int per = 8 / depth, shift = 8 - depth * (x % per + 1);
                    rows[y][x / per] = png_byte(rows[y][x / per] | (v & ((1 << depth) - 1)) << shift);
                } else if (wide) {
                    reinterpret_cast<uint16_t*>(rows[y].data())[x * channels + c] = v;
                } else {
                    rows[y][x * channels + c] = png_byte(v);
                }
            }
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    png_write_image(p, pointers.data());
    png_write_end(p, nullptr);
    png_destroy_write_struct(&p, &info);
    std::fclose(f);
}

enum class Jpeg { kBaseline, kProgressive, kGrey, kInks, kArithmetic, kRestarts };

void writeJpeg(const char* name, int edge, Jpeg kind) {
    const std::string path = folder + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) fail("cannot write " + path);
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);  // a fault here ends the tool, which is what it should do
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = JDIMENSION(edge);
    c.image_height = JDIMENSION(edge);
    c.input_components = kind == Jpeg::kGrey ? 1 : kind == Jpeg::kInks ? 4 : 3;
    c.in_color_space = kind == Jpeg::kGrey ? JCS_GRAYSCALE : kind == Jpeg::kInks ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 75, TRUE);
    if (kind == Jpeg::kInks) jpeg_set_colorspace(&c, JCS_YCCK);
    if (kind == Jpeg::kProgressive) jpeg_simple_progression(&c);
    if (kind == Jpeg::kArithmetic) c.arith_code = TRUE;
    if (kind == Jpeg::kRestarts) c.restart_interval = 2;  // MCUs
    if (kind == Jpeg::kBaseline || kind == Jpeg::kRestarts) c.optimize_coding = TRUE;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(edge) * c.input_components);
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < edge; ++x)
            for (int k = 0; k < c.input_components; ++k) row[size_t(x) * c.input_components + k] = JSAMPLE(sample(x, y, k, edge, false));
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

// samples: 1 grey, 3 RGB, 4 RGBA (the fourth an associated alpha); tiles of 16 when `tiled`.
void writeTiff(const char* name, int edge, uint16_t compression, int samples, int depth, bool tiled) {
    const std::string path = folder + "/" + name;
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) fail("cannot write " + path);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(edge));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(edge));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(depth));
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    if (samples == 4) {
        const uint16_t extra[] = {EXTRASAMPLE_ASSOCALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE)
        TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (compression == COMPRESSION_JPEG) {
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
        TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        TIFFSetField(t, TIFFTAG_JPEGQUALITY, 75);
    }
    const bool wide = depth == 16;
    const size_t bytesPerPixel = size_t(samples) * depth / 8;
    std::vector<uint8_t> pixels(size_t(edge) * edge * bytesPerPixel);
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x)
            for (int c = 0; c < samples; ++c) {
                const uint16_t v = sample(x, y, c, edge, wide);
                const size_t at = (size_t(y) * edge + x) * samples + c;
                if (wide) reinterpret_cast<uint16_t*>(pixels.data())[at] = v;
                else pixels[at] = uint8_t(v);
            }
    bool ok = true;
    if (tiled) {
        const int tile = 16;
        TIFFSetField(t, TIFFTAG_TILEWIDTH, uint32_t(tile));
        TIFFSetField(t, TIFFTAG_TILELENGTH, uint32_t(tile));
        std::vector<uint8_t> block(size_t(tile) * tile * bytesPerPixel);
        for (int ty = 0; ty < edge; ty += tile)
            for (int tx = 0; tx < edge; tx += tile) {
                for (int y = 0; y < tile; ++y)
                    std::copy_n(&pixels[((size_t(ty + y) * edge) + tx) * bytesPerPixel], tile * bytesPerPixel,
                                &block[size_t(y) * tile * bytesPerPixel]);
                ok = ok && TIFFWriteTile(t, block.data(), uint32_t(tx), uint32_t(ty), 0, 0) >= 0;
            }
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(compression == COMPRESSION_JPEG ? 16 : 8));
        for (int y = 0; y < edge; ++y)
            ok = ok && TIFFWriteScanline(t, &pixels[size_t(y) * edge * bytesPerPixel], uint32_t(y), 0) >= 0;
    }
    TIFFClose(t);
    if (!ok) fail("libtiff cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) fail("usage: picture_seeds FOLDER");
    folder = argv[1];
    writePng("grey1.png", 16, PNG_COLOR_TYPE_GRAY, 1, false);
    writePng("grey8.png", 16, PNG_COLOR_TYPE_GRAY, 8, false);
    writePng("grey_alpha8.png", 16, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false);
    writePng("rgb8.png", 16, PNG_COLOR_TYPE_RGB, 8, false);
    writePng("rgba8.png", 16, PNG_COLOR_TYPE_RGB_ALPHA, 8, false);
    writePng("rgb16.png", 16, PNG_COLOR_TYPE_RGB, 16, false);
    writePng("rgba16.png", 16, PNG_COLOR_TYPE_RGB_ALPHA, 16, false);
    writePng("palette4.png", 16, PNG_COLOR_TYPE_PALETTE, 4, false);
    writePng("palette8_interlaced.png", 16, PNG_COLOR_TYPE_PALETTE, 8, true);
    writePng("rgba8_interlaced.png", 16, PNG_COLOR_TYPE_RGB_ALPHA, 8, true);
    writeJpeg("baseline.jpg", 24, Jpeg::kBaseline);
    writeJpeg("progressive.jpg", 24, Jpeg::kProgressive);
    writeJpeg("grey.jpg", 16, Jpeg::kGrey);
    writeJpeg("cmyk.jpg", 16, Jpeg::kInks);
    writeJpeg("arithmetic.jpg", 16, Jpeg::kArithmetic);
    writeJpeg("restarts.jpg", 32, Jpeg::kRestarts);
    writeTiff("rgb_none.tif", 16, COMPRESSION_NONE, 3, 8, false);
    writeTiff("grey16_none.tif", 8, COMPRESSION_NONE, 1, 16, false);
    writeTiff("rgb_lzw.tif", 16, COMPRESSION_LZW, 3, 8, false);
    writeTiff("rgba_lzw_tiled.tif", 32, COMPRESSION_LZW, 4, 8, true);
    writeTiff("grey_packbits.tif", 16, COMPRESSION_PACKBITS, 1, 8, false);
    writeTiff("rgba_deflate.tif", 16, COMPRESSION_ADOBE_DEFLATE, 4, 8, false);
    writeTiff("rgb_deflate_old_code.tif", 16, COMPRESSION_DEFLATE, 3, 8, false);
    writeTiff("rgb_jpeg.tif", 16, COMPRESSION_JPEG, 3, 8, false);
    return 0;
}
