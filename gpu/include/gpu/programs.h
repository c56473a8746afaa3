// Shader programs from texts held in the module or from shader files beside
// it, the capability check, and the built-in texts.
#pragma once

#include <GL/glew.h>

#include <string>

namespace gpu {

// The built-in GLSL 1.10 texts.
extern const char* const kPassthroughVertexShader;
extern const char* const kWhiteFragmentShader;
extern const char* const kColorFragmentShader;
extern const char* const kCopyFragmentShader;

// The key our shader files are enciphered with; the build encodes them with it.
extern const char kShaderKey[9];

// Records the module handle (its file's directory holds the encoded shader
// files) and the directory of plain shader files (cut at 260 characters).
// Called from Init.
void SetShaderModule(void* moduleHandle, const char* plainShaderPath);
// The directory of the module's own file, "" when unknown.
std::string ShaderModuleDirectory();

// Compiles and links; a compile failure writes the shader's log to the
// debug output. A program already in *program is deleted first.
bool BuildProgram(const char* vertexSource, const char* fragmentSource, GLuint* program);
// From "<vertex>.vsh_bin" and "<fragment>.fsh_bin" in the module's directory
// (encoded) or "<vertex>.vsh" and "<fragment>.fsh" in the plain directory.
bool BuildProgramFromFiles(const char* vertexName, const char* fragmentName, GLuint* program, bool encoded);
// The same from an explicit directory.
bool BuildProgramFromDirectory(const std::string& directory, const char* vertexName, const char* fragmentName,
                               GLuint* program, bool encoded);
void PrintShaderInfoLog(GLuint shader);

// What the capability check looks at.
struct GpuCapabilities {
  GLenum glewResult = GLEW_OK;
  bool version21 = false;
  bool textureRectangle = false;
  bool fragmentProgram = false;
  bool textureFloat = false;
  bool framebufferObject = false;
};
// Initialises GLEW on the current context and reads its flags.
GpuCapabilities QueryGpuCapabilities();
// The first missing capability's text in errBuf (at most errLen characters,
// terminated). GLEW's "no GLX display", given under EGL once the entry
// points are loaded, counts as success.
bool CheckGpuCapabilities(const GpuCapabilities& caps, int errLen, char16_t* errBuf);
bool CheckGpuCapabilities(int errLen, char16_t* errBuf);

}  // namespace gpu
