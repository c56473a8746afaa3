#include "gl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "context.h"

namespace talvix {
namespace {

struct GlState {
  std::mutex mu;
  bool tried = false;
  bool ok = false;
  std::string reason;
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
  EGLContext context = EGL_NO_CONTEXT;
  EGLSurface surface = EGL_NO_SURFACE;
  int width = 0, height = 0;
  bool current = false;
};

GlState& Gl() {
  static GlState g;
  return g;
}

std::string EglError(const char* what) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s failed (EGL error 0x%04X)", what, static_cast<unsigned>(eglGetError()));
  return buf;
}

bool HasExtension(const char* list, const char* name) {
  if (!list) return false;
  const size_t n = std::strlen(name);
  for (const char* p = list; (p = std::strstr(p, name)); p += n) {
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return true;
  }
  return false;
}

// No window system: the surfaceless platform when EGL offers it.
EGLDisplay OpenDisplay() {
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (HasExtension(client, "EGL_MESA_platform_surfaceless")) {
    auto get = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (get) {
      EGLDisplay d = get(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      if (d != EGL_NO_DISPLAY) return d;
    }
  }
  return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

bool Create(GlState& g) {
  g.display = OpenDisplay();
  if (g.display == EGL_NO_DISPLAY) {
    g.reason = EglError("eglGetDisplay");
    return false;
  }
  EGLint major = 0, minor = 0;
  if (!eglInitialize(g.display, &major, &minor)) {
    g.reason = EglError("eglInitialize");
    g.display = EGL_NO_DISPLAY;
    return false;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    g.reason = EglError("eglBindAPI(OpenGL)");
    return false;
  }
  const EGLint attrs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                          EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                          EGL_BLUE_SIZE,    8,               EGL_ALPHA_SIZE,      8,
                          EGL_DEPTH_SIZE,   24,              EGL_STENCIL_SIZE,    8,
                          EGL_NONE};
  EGLint count = 0;
  if (!eglChooseConfig(g.display, attrs, &g.config, 1, &count) || count < 1) {
    g.reason = count < 1 ? "no EGL configuration with a pbuffer, OpenGL and 8 stencil bits" : EglError("eglChooseConfig");
    return false;
  }
  // No profile attributes: a compatibility context, never a core one.
  g.context = eglCreateContext(g.display, g.config, EGL_NO_CONTEXT, nullptr);
  if (g.context == EGL_NO_CONTEXT) {
    g.reason = EglError("eglCreateContext");
    return false;
  }
  return true;
}

bool Resize(GlState& g, int w, int h) {
  if (g.surface != EGL_NO_SURFACE && (w <= 0 || h <= 0 || (w == g.width && h == g.height))) return true;
  if (w <= 0 || h <= 0) w = h = 1;
  const EGLint attrs[] = {EGL_WIDTH, w, EGL_HEIGHT, h, EGL_NONE};
  EGLSurface s = eglCreatePbufferSurface(g.display, g.config, attrs);
  if (s == EGL_NO_SURFACE) {
    g.reason = EglError("eglCreatePbufferSurface");
    return false;
  }
  EGLSurface old = g.surface;
  g.surface = s;
  g.width = w;
  g.height = h;
  if (old != EGL_NO_SURFACE) {
    if (g.current) eglMakeCurrent(g.display, s, s, g.context);
    eglDestroySurface(g.display, old);
  }
  return true;
}

}  // namespace

bool EnsureGlContext(std::string* reason) {
  GlState& g = Gl();
  std::lock_guard lock(g.mu);
  if (!g.tried) {
    g.tried = true;
    g.ok = Create(g);
  }
  if (!g.ok && reason) *reason = g.reason;
  return g.ok;
}

bool MakeGlCurrent(int w, int h, std::string* reason) {
  if (!EnsureGlContext(reason)) return false;
  GlState& g = Gl();
  std::lock_guard lock(g.mu);
  bool ok = Resize(g, w, h);
  if (ok && !eglMakeCurrent(g.display, g.surface, g.surface, g.context)) {
    g.reason = EglError("eglMakeCurrent");
    ok = false;
  }
  if (!ok) {
    if (reason) *reason = g.reason;
    return false;
  }
  g.current = true;
  return true;
}

void ReleaseGl() {
  GlState& g = Gl();
  std::lock_guard lock(g.mu);
  if (!g.current) return;
  eglMakeCurrent(g.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  g.current = false;
}

bool GlCurrent() {
  GlState& g = Gl();
  std::lock_guard lock(g.mu);
  return g.current;
}

bool GlAvailable(std::string* reason) { return EnsureGlContext(reason); }

}  // namespace talvix
