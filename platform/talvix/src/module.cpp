// Loading a module, its exports and its whole catalogue.
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

#include "context.h"

namespace talvix {
namespace {

// Generous text buffers: highest index 1023, plus the terminator the host adds.
constexpr int kTextHi = 1023;
// Enumerators answer false past the end; this only stops a faulty module.
constexpr int kMaxEntries = 100000;

struct TextBuf {
  std::vector<char16_t> buf = std::vector<char16_t>(kTextHi + 2, 0);
  char16_t* data() { return buf.data(); }
  std::u16string text() {
    buf[kTextHi + 1] = 0;
    return std::u16string(buf.data());
  }
  void clear() { std::fill(buf.begin(), buf.end(), 0); }
};

// A library is initialised once however many Module objects share it: Init
// when the first is initialised, Done when the last goes, as a host that
// loads each module once would do.
std::mutex g_initMutex;
std::map<void*, int> g_initCount;

template <class Fn>
Fn Resolve(void* dl, const char* name) {
  return reinterpret_cast<Fn>(dlsym(dl, name));
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

std::string DefaultModuleDirectory() {
  const char* env = std::getenv("VISION_MODULE_DIR");
  if (env && *env) return env;
  return VISION_MODULE_DIR;
}

std::unique_ptr<Module> Module::open(const std::string& pathOrName, std::string* error) {
  std::filesystem::path path(pathOrName);
  bool isPath = pathOrName.find('/') != std::string::npos || path.extension() == ".so";
  if (!isPath) path = std::filesystem::path(DefaultModuleDirectory()) / (pathOrName + ".so");
  // Modules stay mapped after dlclose: the OpenMP runtime they pull in keeps
  // worker threads alive, and unmapping it under them crashes the process.
  void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!dl) {
    const char* why = dlerror();
    SetError(error, "cannot load " + path.string() + ": " + (why ? why : "unknown error"));
    return nullptr;
  }
  std::unique_ptr<Module> m(new Module());
  m->dl_ = dl;
  m->path_ = path.string();
  m->name_ = path.stem().string();
  ModuleExports& f = m->fn_;
  f.Init = Resolve<InitFn>(dl, "Init");
  f.Done = Resolve<DoneFn>(dl, "Done");
  f.EnumerateMethodsCategories = Resolve<EnumerateMethodsCategoriesFn>(dl, "EnumerateMethodsCategories");
  f.EnumerateMethods = Resolve<EnumerateMethodsFn>(dl, "EnumerateMethods");
  f.EnumerateMethodsSort = Resolve<EnumerateMethodsSortFn>(dl, "EnumerateMethodsSort");
  f.EnumerateMethodsSortWithProperties =
      Resolve<EnumerateMethodsSortWithPropertiesFn>(dl, "EnumerateMethodsSortWithProperties");
  f.EnumerateMethodInputs = Resolve<EnumerateMethodInputsFn>(dl, "EnumerateMethodInputs");
  f.EnumerateMethodOutputs = Resolve<EnumerateMethodOutputsFn>(dl, "EnumerateMethodOutputs");
  f.InitMethod = Resolve<InitMethodFn>(dl, "InitMethod");
  f.RunMethod = Resolve<RunMethodFn>(dl, "RunMethod");
  f.DoneMethod = Resolve<DoneMethodFn>(dl, "DoneMethod");
  f.DoneMethod2 = Resolve<DoneMethod2Fn>(dl, "DoneMethod2");
  bool anyEnumerator = f.EnumerateMethods || f.EnumerateMethodsSort || f.EnumerateMethodsSortWithProperties;
  if (!f.Init || !anyEnumerator || !f.EnumerateMethodInputs || !f.EnumerateMethodOutputs || !f.InitMethod ||
      !f.RunMethod || (!f.DoneMethod && !f.DoneMethod2)) {
    SetError(error, m->path_ + " lacks a required export");
    return nullptr;  // the destructor closes the library without calling Done
  }
  return m;
}

std::unique_ptr<Module> Module::load(const std::string& pathOrName, std::string* error) {
  std::unique_ptr<Module> m = open(pathOrName, error);
  if (m && !m->init()) {
    SetError(error, m->path_ + ": Init failed");
    return nullptr;
  }
  return m;
}

Module::~Module() {
  if (initialised_) {
    std::lock_guard<std::mutex> lock(g_initMutex);
    if (--g_initCount[dl_] == 0) {
      g_initCount.erase(dl_);
      if (fn_.Done) fn_.Done();
    }
  }
  if (dl_) dlclose(dl_);
}

bool Module::init() {
  if (!initialised_) {
    std::lock_guard<std::mutex> lock(g_initMutex);
    int& count = g_initCount[dl_];
    if (count == 0 && (!fn_.Init || !fn_.Init())) {
      g_initCount.erase(dl_);
      return false;
    }
    ++count;
    initialised_ = true;
  }
  return readCatalogue();
}

void Module::readParameters(int index, std::vector<ParamInfo>* inputs, std::vector<ParamInfo>* outputs) const {
  TextBuf name, props;
  for (int p = 0; p < kMaxEntries; ++p) {
    ParamInfo pi;
    name.clear();
    props.clear();
    if (!fn_.EnumerateMethodInputs(index, p, &pi.type, kTextHi, props.data(), kTextHi, name.data())) break;
    pi.name = name.text();
    pi.properties = props.text();
    inputs->push_back(std::move(pi));
  }
  for (int p = 0; p < kMaxEntries; ++p) {
    ParamInfo pi;
    name.clear();
    if (!fn_.EnumerateMethodOutputs(index, p, &pi.type, kTextHi, name.data())) break;
    pi.name = name.text();
    outputs->push_back(std::move(pi));
  }
}

bool Module::readCatalogue() {
  catalogue_ = {};
  TextBuf id, desc, name;
  for (int i = 0; i < kMaxEntries; ++i) {
    MethodInfo mi;
    mi.index = i;
    id.clear();
    desc.clear();
    int sortKey = 0, properties = 0;
    bool ok;
    if (fn_.EnumerateMethodsSortWithProperties) {
      ok = fn_.EnumerateMethodsSortWithProperties(i, kTextHi, id.data(), kTextHi, desc.data(), &mi.icon, &mi.gpu,
                                                  &sortKey, &properties);
      mi.sortKey = sortKey;
      mi.properties = properties;
    } else if (fn_.EnumerateMethodsSort) {
      ok = fn_.EnumerateMethodsSort(i, kTextHi, id.data(), kTextHi, desc.data(), &mi.icon, &mi.gpu, &sortKey);
      mi.sortKey = sortKey;
    } else {
      ok = fn_.EnumerateMethods(i, kTextHi, id.data(), kTextHi, desc.data(), &mi.icon, &mi.gpu);
    }
    if (!ok) break;
    mi.id = id.text();
    mi.description = desc.text();
    readParameters(i, &mi.inputs, &mi.outputs);
    if (fn_.EnumerateMethodsCategories) {
      for (int path = 0; path <= 1; ++path) {
        for (int level = 0; level <= 1; ++level) {
          CategoryPlace cp;
          cp.method = i;
          cp.path = path;
          cp.level = level;
          name.clear();
          if (!fn_.EnumerateMethodsCategories(i, path, level, kTextHi, name.data(), &cp.categoryId, &cp.icon)) continue;
          cp.name = name.text();
          catalogue_.categories.push_back(std::move(cp));
        }
      }
    }
    catalogue_.methods.push_back(std::move(mi));
  }
  return true;
}

int Module::findMethod(const std::u16string& id) const {
  for (const MethodInfo& m : catalogue_.methods) {
    if (m.id == id) return m.index;
  }
  return -1;
}

int Module::findMethod(const std::string& utf8Id) const { return findMethod(ToU16(utf8Id)); }

intptr_t Module::create(int methodIndex) { return fn_.InitMethod(methodIndex); }

void Module::destroy(intptr_t handle, Inspection* inspection) {
  if (fn_.DoneMethod2) {
    RunContext release({}, {}, inspection);
    fn_.DoneMethod2(handle, release.hostContext());
    CloseGlBracket();
  } else if (fn_.DoneMethod) {
    fn_.DoneMethod(handle);
  }
}

}  // namespace talvix
