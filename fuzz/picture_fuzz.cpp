// The picture reader on any bytes under each name it takes: a picture comes back whole and
// within the largest texture, or is refused with a reason.
#include <cstdlib>

#include "fuzz/FuzzFile.h"
#include "render/ImageFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellam::render;
    if (size < 1) return 0;
    static const char* const names[] = {"pictureD.png", "pictureD.jpg", "pictureD.tif", "pictureD.PNG"};
    const std::string path = pellam::fuzz::writeFuzzFile(names[data[0] % 4], data + 1, size - 1);
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
