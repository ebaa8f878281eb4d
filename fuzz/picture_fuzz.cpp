// The picture reader on any bytes: a picture comes back whole and within the largest texture, or
// is refused with a reason. The bytes are named as the kind they begin like (so that the seeds,
// plain picture files, reach their decoder), else without an extension, which takes any kind.
#include <cstdlib>
#include <cstring>

#include "fuzz/FuzzFile.h"
#include "render/ImageFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellam::render;
    auto begins = [&](const char* magic, size_t n) { return size >= n && std::memcmp(data, magic, n) == 0; };
    const char* name = begins("\x89PNG", 4)                               ? "pictureD.png"
                       : begins("\xFF\xD8", 2)                            ? "pictureD.jpg"
                       : begins("II*\0", 4) || begins("MM\0*", 4)         ? "pictureD.tif"
                                                                          : "pictureD_";
    const std::string path = pellam::fuzz::writeFuzzFile(name, data, size);
    pellam::platform::RGBAImage image;
    std::string why;
    const PictureRead read = readPicture(path, image, 1024, why);
    if (read == PictureRead::kRead) {
        if (image.width < 1 || image.height < 1 || image.width > 1024 || image.height > 1024 ||
            image.pixels.size() != size_t(image.width) * image.height * 4)
            std::abort();
    } else if (why.empty() || !image.pixels.empty()) {
        std::abort();
    }
    std::remove(path.c_str());
    return 0;
}
