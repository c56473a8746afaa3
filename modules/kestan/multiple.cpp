// The multiple-object search: one saved object per file name or data
// object, each matched in turn on the keypoints the earlier ones left.
#include "descriptor_file.h"
#include "detector.h"
#include "frame/module_frame.h"
#include "gpu/bracket.h"
#include "kavrin.h"

namespace kestan {

frame::ParamName InputOf(const frame::RunArgs& a, int method, std::u16string_view name);
bool ResolvedFileName(const frame::RunArgs& a, const frame::ParamName& n, int elem, char16_t out[260]);

CMultipleFeatureDetector::~CMultipleFeatureDetector() {
  objects.DeleteAll();
  handedOver.DeleteAll();
}

void CMultipleFeatureDetector::Release(void* hostContext) {
  objects.DeleteAll();
  handedOver.DeleteAll();
  CFeatureDetector::Release(hostContext);
}

void CMultipleFeatureDetector::RebuildFromFiles(const frame::RunArgs& a) {
  objects.DeleteAll();
  fileNameHoldsNul = false;
  const frame::ParamName n = InputOf(a, method, u"descriptors file");
  int hi = -1;
  if (!n.ok || !GetObjectMaxIndex(a.ctx, 63, n.c_str(), &hi)) return;
  for (int i = 0; i <= hi; ++i) {
    HostString* s = nullptr;
    if (!GetString(a.ctx, 259, n.c_str(), i, &s) || !s) continue;
    auto* e = new CMultipleListElem();
    fileNameHoldsNul = !ResolvedFileName(a, n, i, e->fileName) || fileNameHoldsNul;
    objects.Append(e);
  }
}

void CMultipleFeatureDetector::RebuildFromData(const frame::RunArgs& a) {
  objects.DeleteAll();
  const frame::ParamName n = InputOf(a, method, u"data object with descriptors");
  int hi = -1;
  if (!n.ok || !GetObjectMaxIndex(a.ctx, 63, n.c_str(), &hi)) return;
  for (int i = 0; i <= hi; ++i) {
    DataObject* d = nullptr;
    if (!GetData(a.ctx, 259, n.c_str(), i, &d) || !d || !*d) continue;
    auto* e = new CMultipleListElem();
    e->dataObject = d;
    objects.Append(e);
  }
}

void CMultipleFeatureDetector::ReadLabels(const frame::RunArgs& a) {
  const frame::ParamName n = InputOf(a, method, u"label of object");
  int hi = -1;
  if (!n.ok || !GetObjectMaxIndex(a.ctx, 63, n.c_str(), &hi)) hi = -1;
  int i = 0;
  for (gpu::CListElem* e = objects.head; e; e = e->next, ++i) {
    auto* o = static_cast<CMultipleListElem*>(e);
    o->label[0] = 0;
    HostString* s = nullptr;
    if (i <= hi && GetString(a.ctx, 63, n.c_str(), i, &s) && s) kavrin::ExportText(63, o->label, *s);
  }
}

bool CMultipleFeatureDetector::LoadObjects(bool fromData) {
  if (objects.IsEmpty()) return true;
  double sums[8] = {};
  bool all = true;
  for (gpu::CListElem* e = objects.head; e; e = e->next) {
    auto* o = static_cast<CMultipleListElem*>(e);
    LoadedSettings s;
    const bool ok = fromData ? LoadDescriptorData(messageMaxIndex, message, o->dataObject ? *o->dataObject : nullptr,
                                                  o->descriptors, s)
                             : LoadDescriptorFile(messageMaxIndex, message, o->fileName, o->descriptors, s);
    if (ok) {
      orientationMode = s.orientationMode;
      o->foundRectangle = s.reference;
    }
    for (int k = 0; k < 8; ++k) sums[k] += s.thresholds[k];
    all = all && ok;
  }
  for (int k = 0; k < 8; ++k) thresholds[k] = static_cast<float>(sums[k] / objects.count) + thresholdCorrection[k];
  return all;
}

bool CMultipleFeatureDetector::LoadObjectFiles() { return LoadObjects(false); }
bool CMultipleFeatureDetector::LoadObjectData() { return LoadObjects(true); }

bool CMultipleFeatureDetector::LoadDescriptors(const frame::RunArgs& a, const RunInputs& in) {
  bool ok = true;
  if (method == kMultipleFeatureMatchData) {
    RebuildFromData(a);
    ReadLabels(a);
    ok = LoadObjectData();
  } else {
    // The list is rebuilt from the names whenever the files are read again.
    const bool reload = in.reloadFlag && *in.reloadFlag;
    if (firstRun || reload) {
      RebuildFromFiles(a);
      if (fileNameHoldsNul) {
        objects.DeleteAll();
        return frame::Fail(a.errLen, a.errBuf, kFileNameHoldsNul);
      }
      ReadLabels(a);
      ok = LoadObjectFiles();
      if (ok && in.reloadFlag) *in.reloadFlag = false;
    } else {
      ReadLabels(a);
    }
  }
  if (!ok) {
    gpu::CopyError(std::u16string_view(message, frame::BoundedLength(message, 255)), a.errLen, a.errBuf);
  }
  return ok;
}

}  // namespace kestan
