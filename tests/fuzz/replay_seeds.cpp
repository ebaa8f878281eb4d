// A fuzz target without libFuzzer: feeds it an empty input, then every file of each folder or
// file named on the command line (its seeds), in name order. The suite builds every target with
// this main and runs it, so a target that no longer compiles, or that its own seeds bring down,
// fails the suite rather than the next fuzzing session.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Defined by the targets that need it; libFuzzer calls it once before the first input.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

// As libFuzzer does, an input is never a null pointer, even when it is empty, and it lies in a
// heap block of its exact size: a read past its end meets the sanitiser's red zone, not the spare
// room a vector grown while reading keeps.
void run(const std::vector<uint8_t>& bytes) {
    static const uint8_t nothing = 0;
    if (bytes.empty()) {
        LLVMFuzzerTestOneInput(&nothing, 0);
        return;
    }
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    LLVMFuzzerTestOneInput(exact.get(), bytes.size());
}

bool feed(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s cannot be read\n", file.c_str());
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    run(bytes);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    run({});
    int fed = 1;
    for (int a = 1; a < argc; ++a) {
        std::vector<fs::path> files;
        std::error_code ec;
        if (fs::is_directory(argv[a], ec)) {
            for (const auto& entry : fs::directory_iterator(argv[a], ec))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
        } else {
            files.push_back(argv[a]);
        }
        // A seeds folder renamed or emptied would otherwise pass on the empty input alone.
        if (files.empty() || ec) {
            std::fprintf(stderr, "%s holds no inputs\n", argv[a]);
            return 1;
        }
        for (const fs::path& file : files) {
            if (!feed(file)) return 1;
            ++fed;
        }
    }
    std::printf("%d inputs replayed\n", fed);
    return 0;
}
