#include "listing.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <vector>

#include "json_out.h"
#include "usage_error.h"
#include "values.h"

namespace modhost {
namespace fs = std::filesystem;
using talvix::ToUtf8;

namespace {

std::vector<fs::path> ModuleFiles(const std::string& dir) {
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) throw UsageError("cannot read the module directory \"" + dir + "\": " + ec.message());
  std::vector<fs::path> files;
  for (const fs::directory_entry& e : it) {
    if (e.path().extension() == ".so" && e.is_regular_file(ec)) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

Json ParamsJson(const std::vector<talvix::ParamInfo>& params, bool inputs) {
  Json list = Json::array();
  for (const talvix::ParamInfo& p : params) {
    Json j = {{"type", p.type}, {"typeName", TypeName(p.type)}, {"name", ToUtf8(p.name)}};
    if (inputs) j["properties"] = ToUtf8(p.properties);
    list.push_back(std::move(j));
  }
  return list;
}

Json CatalogueJson(const talvix::Module& m) {
  const talvix::Catalogue& c = m.catalogue();
  Json categories = Json::array();
  for (const talvix::CategoryPlace& p : c.categories) {
    categories.push_back({{"method", p.method},
                          {"path", p.path},
                          {"level", p.level},
                          {"name", ToUtf8(p.name)},
                          {"categoryId", p.categoryId}});
  }
  Json methods = Json::array();
  for (const talvix::MethodInfo& mi : c.methods) {
    Json j = {{"index", mi.index}, {"id", ToUtf8(mi.id)}, {"description", ToUtf8(mi.description)}, {"gpu", mi.gpu}};
    if (mi.sortKey) j["sortKey"] = *mi.sortKey;
    if (mi.properties) j["properties"] = *mi.properties;
    j["inputs"] = ParamsJson(mi.inputs, true);
    j["outputs"] = ParamsJson(mi.outputs, false);
    methods.push_back(std::move(j));
  }
  return {{"module", m.name()}, {"categories", std::move(categories)}, {"methods", std::move(methods)}};
}

void PrintCatalogue(const talvix::Module& m) {
  const talvix::Catalogue& c = m.catalogue();
  std::cout << "module " << m.name() << " (" << m.path() << "), " << c.methods.size() << " methods\n";
  for (const talvix::MethodInfo& mi : c.methods) {
    std::cout << '\n' << mi.index << ' ' << ToUtf8(mi.id) << (mi.gpu ? " (GPU)" : "");
    if (mi.sortKey) std::cout << ", sort key " << *mi.sortKey;
    if (mi.properties) std::cout << ", properties " << *mi.properties;
    std::cout << "\n    " << ToUtf8(mi.description) << '\n';
    for (const talvix::CategoryPlace& p : c.categories) {
      if (p.method != mi.index) continue;
      std::cout << "    category (path " << p.path << ", level " << p.level << "): " << ToUtf8(p.name) << " ["
                << p.categoryId << "]\n";
    }
    for (const talvix::ParamInfo& p : mi.inputs) {
      std::cout << "    in  " << TypeName(p.type) << " \"" << ToUtf8(p.name) << '"';
      if (!p.properties.empty()) std::cout << "  " << ToUtf8(p.properties);
      std::cout << '\n';
    }
    for (const talvix::ParamInfo& p : mi.outputs) {
      std::cout << "    out " << TypeName(p.type) << " \"" << ToUtf8(p.name) << "\"\n";
    }
  }
}

}  // namespace

std::unique_ptr<talvix::Module> OpenModule(const std::string& nameOrPath, const std::string& dir) {
  fs::path path(nameOrPath);
  bool isPath = nameOrPath.find('/') != std::string::npos || path.extension() == ".so";
  if (!isPath) path = fs::path(dir) / (nameOrPath + ".so");
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    throw UsageError(isPath ? "unknown module: no file \"" + path.string() + "\""
                            : "unknown module \"" + nameOrPath + "\" (no " + nameOrPath + ".so in " + dir + ")");
  }
  std::string error;
  std::unique_ptr<talvix::Module> m = talvix::Module::load(path.string(), &error);
  if (!m) throw UsageError("cannot load module \"" + nameOrPath + "\": " + error);
  return m;
}

int ListModules(const std::string& dir, bool json) {
  Json modules = Json::array();
  const std::vector<fs::path> files = ModuleFiles(dir);
  for (const fs::path& file : files) {
    std::string error;
    std::unique_ptr<talvix::Module> m = talvix::Module::load(file.string(), &error);
    std::string name = file.stem().string();
    if (json) {
      modules.push_back(m ? Json{{"name", name}, {"methods", m->catalogue().methods.size()}}
                          : Json{{"name", name}, {"error", error}});
    } else if (m) {
      std::cout << name << "  " << m->catalogue().methods.size() << " methods\n";
    } else {
      std::cout << name << "  cannot load: " << error << '\n';
    }
  }
  if (json) {
    PrintJson({{"directory", dir}, {"modules", std::move(modules)}});
  } else if (files.empty()) {
    std::cout << "no modules in " << dir << '\n';
  }
  return 0;
}

int ListCatalogue(const std::string& nameOrPath, const std::string& dir, bool json) {
  std::unique_ptr<talvix::Module> m = OpenModule(nameOrPath, dir);
  if (json) {
    PrintJson(CatalogueJson(*m));
  } else {
    PrintCatalogue(*m);
  }
  return 0;
}

}  // namespace modhost
