// The one definition of stb_image_write (JPEG and PNG encoders) for fishgen.
// Its JPEG coder shifts negative values left, which the undefined-behaviour sanitizer reports;
// the build exempts this file from that one check.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
