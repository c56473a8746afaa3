#include "gpu/programs.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "gpu/bracket.h"
#include "gpu/debug_output.h"
#include "kavrin.h"

namespace gpu {

const char* const kPassthroughVertexShader =
    "void main()\n"
    "{\n"
    "  gl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "  gl_Position = ftransform();\n"
    "}\n";

const char* const kWhiteFragmentShader =
    "void main()\n"
    "{\n"
    "  gl_FragColor = vec4(1.0, 1.0, 1.0, 1.0);\n"
    "}\n";

const char* const kColorFragmentShader =
    "uniform vec3 Color;\n"
    "void main()\n"
    "{\n"
    "  gl_FragColor = vec4(Color.r, Color.g, Color.b, 1.0);\n"
    "}\n";

const char* const kCopyFragmentShader =
    "#extension GL_ARB_texture_rectangle : enable\n"
    "uniform sampler2DRect TexChan0;\n"
    "void main()\n"
    "{\n"
    "  gl_FragColor = texture2DRect(TexChan0, gl_TexCoord[0].st);\n"
    "}\n";

const char kShaderKey[9] = VISION_SHADER_KEY;

namespace {

constexpr size_t kPathChars = 260;

std::mutex g_mu;
void* g_module = nullptr;
std::string g_plainPath;

bool Compile(GLuint shader, const char* source) {
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) PrintShaderInfoLog(shader);
  return ok == GL_TRUE;
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// The whole file and one zero byte behind it.
bool ReadAll(FILE* f, std::vector<uint8_t>* out) {
  if (std::fseek(f, 0, SEEK_END) != 0) return false;
  const long size = std::ftell(f);
  if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) return false;
  out->assign(static_cast<size_t>(size) + 1, 0);
  return std::fread(out->data(), 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
}

}  // namespace

void SetShaderModule(void* moduleHandle, const char* plainShaderPath) {
  std::lock_guard lock(g_mu);
  g_module = moduleHandle;
  g_plainPath = plainShaderPath ? std::string(plainShaderPath).substr(0, kPathChars) : std::string();
}

std::string ShaderModuleDirectory() {
  void* handle = nullptr;
  {
    std::lock_guard lock(g_mu);
    handle = g_module;
  }
  if (!handle) return {};
  link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) return {};
  std::filesystem::path file = map->l_name && *map->l_name ? std::filesystem::path(map->l_name)
                                                            : std::filesystem::read_symlink("/proc/self/exe");
  return file.parent_path().string();
}

bool BuildProgram(const char* vertexSource, const char* fragmentSource, GLuint* program) {
  GLuint vs = glCreateShader(GL_VERTEX_SHADER);
  GLuint fs = glCreateShader(GL_FRAGMENT_SHADER);
  if (!Compile(vs, vertexSource) || !Compile(fs, fragmentSource)) {
    glDeleteShader(vs);
    glDeleteShader(fs);
    return false;
  }
  if (*program && glIsProgram(*program)) glDeleteProgram(*program);
  *program = glCreateProgram();
  glAttachShader(*program, vs);
  glAttachShader(*program, fs);
  glDeleteShader(vs);
  glDeleteShader(fs);
  glLinkProgram(*program);
  GLint linked = GL_FALSE;
  glGetProgramiv(*program, GL_LINK_STATUS, &linked);
  return linked == GL_TRUE;
}

bool BuildProgramFromFiles(const char* vertexName, const char* fragmentName, GLuint* program, bool encoded) {
  std::string dir;
  if (encoded) {
    dir = ShaderModuleDirectory();
  } else {
    std::lock_guard lock(g_mu);
    dir = g_plainPath;
  }
  return BuildProgramFromDirectory(dir, vertexName, fragmentName, program, encoded);
}

bool BuildProgramFromDirectory(const std::string& directory, const char* vertexName, const char* fragmentName,
                               GLuint* program, bool encoded) {
  const std::filesystem::path dir(directory);
  const std::string vName(vertexName ? vertexName : ""), fName(fragmentName ? fragmentName : "");
  const std::filesystem::path vPath = dir / (vName + (encoded ? ".vsh_bin" : ".vsh"));
  const std::filesystem::path fPath = dir / (fName + (encoded ? ".fsh_bin" : ".fsh"));
  File vf(std::fopen(vPath.c_str(), "rb"));
  if (!vf) {
    DebugOutput("Vertex shader file not found : " + vName + "\n");
    return false;
  }
  File ff(std::fopen(fPath.c_str(), "rb"));
  if (!ff) {
    DebugOutput("Fragment shader file not found : " + fName + "\n");
    return false;
  }
  std::vector<uint8_t> vText, fText;
  if (!ReadAll(vf.get(), &vText)) {
    DebugOutput("Cannot read shader file : " + vName + "\n");
    return false;
  }
  if (!ReadAll(ff.get(), &fText)) {
    DebugOutput("Cannot read shader file : " + fName + "\n");
    return false;
  }
  if (encoded) {
    for (std::vector<uint8_t>* text : {&vText, &fText}) {
      const uint32_t n = static_cast<uint32_t>(text->size() - 1);
      if (kavrin::DecodeShader(14, text->data(), n, 8, kShaderKey, 0, 0) != 0) return false;
    }
  }
  return BuildProgram(reinterpret_cast<const char*>(vText.data()), reinterpret_cast<const char*>(fText.data()),
                      program);
}

void PrintShaderInfoLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  if (length <= 1) return;
  std::unique_ptr<char[]> log(new (std::nothrow) char[static_cast<size_t>(length)]);
  if (!log) {
    DebugOutput("Could not allocate buffer for shader compiler information log\n");
    return;
  }
  GLsizei written = 0;
  glGetShaderInfoLog(shader, length, &written, log.get());
  DebugOutput(std::string(log.get(), static_cast<size_t>(std::max(written, 0))) + "\n");
}

GpuCapabilities QueryGpuCapabilities() {
  GpuCapabilities c;
  c.glewResult = glewInit();
  c.version21 = GLEW_VERSION_2_1;
  c.textureRectangle = GLEW_ARB_texture_rectangle;
  c.fragmentProgram = GLEW_ARB_fragment_program;
  c.textureFloat = GLEW_ARB_texture_float;
  c.framebufferObject = GLEW_EXT_framebuffer_object;
  return c;
}

bool CheckGpuCapabilities(const GpuCapabilities& caps, int errLen, char16_t* errBuf) {
  if (caps.glewResult != GLEW_OK && caps.glewResult != GLEW_ERROR_NO_GLX_DISPLAY) {
    const char* text = reinterpret_cast<const char*>(glewGetErrorString(caps.glewResult));
    std::u16string wide;
    for (size_t i = 0; text && text[i] && i < 256; ++i) wide.push_back(static_cast<unsigned char>(text[i]));
    CopyError(wide, errLen, errBuf);
    return false;
  }
  const struct {
    bool present;
    const char16_t* text;
  } checks[] = {
      {caps.version21, u"OpenGL version 2.1 is not supported"},
      {caps.textureRectangle, u"Rectangular textures are not supported ARB_texture_rectangle"},
      {caps.fragmentProgram, u"Fragment programs are not supported ARB_fragment_program"},
      {caps.textureFloat, u"Floating point textures are not supported ARB_texture_float"},
      {caps.framebufferObject, u"Framebuffer objects are not supported EXT_framebuffer_object"},
  };
  for (const auto& c : checks) {
    if (!c.present) {
      CopyError(c.text, errLen, errBuf);
      return false;
    }
  }
  return true;
}

bool CheckGpuCapabilities(int errLen, char16_t* errBuf) {
  return CheckGpuCapabilities(QueryGpuCapabilities(), errLen, errBuf);
}

}  // namespace gpu
