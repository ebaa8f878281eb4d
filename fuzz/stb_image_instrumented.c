/* The picture decoder compiled into the fuzz target itself, so that the fuzzer sees its
   branches and the sanitizers its memory; the system library's copy is then not used. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
