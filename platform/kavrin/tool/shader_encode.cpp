// shader_encode KEY SOURCE OUTPUT: writes the enciphered form of a shader
// source (.vsh or .fsh) as the GPU modules read it (.vsh_bin or .fsh_bin).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "kavrin.h"

int main(int argc, char** argv) {
  if (argc != 4 || std::strlen(argv[1]) != 8) {
    std::fprintf(stderr, "usage: shader_encode KEY(8 characters) SOURCE OUTPUT\n");
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "shader_encode: cannot read %s\n", argv[2]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  const std::string source = text.str();
  if (source.find('\0') != std::string::npos) {
    std::fprintf(stderr, "shader_encode: %s holds a NUL byte\n", argv[2]);
    return 1;
  }
  std::vector<uint8_t> code = kavrin::EncodeShader(source, argv[1]);
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(code.data()), static_cast<std::streamsize>(code.size()));
  if (!out) {
    std::fprintf(stderr, "shader_encode: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
