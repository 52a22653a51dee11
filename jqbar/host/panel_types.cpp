#include "panel_types.h"

#include <cstring>
#include <vector>

#include "seams.h"

namespace jqbar {
namespace {

PanelType* g_head = nullptr;
HIMAGELIST g_images = nullptr;

std::vector<BuiltinTypeRegistrar>& Registrars() {
  static std::vector<BuiltinTypeRegistrar> list;
  return list;
}

void CopyBounded(char* out, std::size_t outSize, const char* in, std::size_t inSize) {
  std::size_t n = 0;
  while (n + 1 < outSize && n < inSize && in[n]) {
    out[n] = in[n];
    ++n;
  }
  out[n] = 0;
}

void Append(PanelType* type) {
  type->next = nullptr;
  PanelType** at = &g_head;
  while (*at) at = &(*at)->next;
  *at = type;
}

FARPROC Lookup(HMODULE module, char* name) {
  name[51] = 0;
  if (!name[0]) return nullptr;
  return GetProcAddress(module, name);
}

void LoadPluginLibrary(HINSTANCE instance, const char* path) {
  HMODULE module = LoadLibraryA(path);
  if (!module) return;
  auto enumerate = reinterpret_cast<PluginEnumProc>(GetProcAddress(module, "EnumeratePanelTypes"));
  if (!enumerate) return;  // the library stays loaded, as every plug-in library does
  char info[52] = {}, create[52] = {}, terminate[52] = {};
  for (int n = 0; n < kMaxTypesPerLibrary && enumerate(info, create, terminate, instance, 0); ++n) {
    auto* type = new PanelType{};
    type->infoProc = reinterpret_cast<PluginInfoProc>(Lookup(module, info));
    type->createProc = reinterpret_cast<PluginCreateProc>(Lookup(module, create));
    type->terminateProc = reinterpret_cast<PluginTerminateProc>(Lookup(module, terminate));
    PanelTypeInfo* record = nullptr;
    if (type->infoProc && type->createProc) {
      type->builtIn = 0;
      type->module = module;
      type->infoProc(&record, 0);
    }
    if (record && record->typeName[0]) {
      CopyBounded(type->typeName, sizeof type->typeName, record->typeName, sizeof record->typeName);
      std::memcpy(type->displayName, type->typeName, sizeof type->displayName);
      CopyBounded(type->description, sizeof type->description, record->description,
                  sizeof record->description);
      type->image = record->image;
      type->mask = record->mask;
      Append(type);
    } else {
      delete type;
    }
  }
}

}  // namespace

void AddBuiltinTypeRegistrar(BuiltinTypeRegistrar registrar) {
  for (auto r : Registrars())
    if (r == registrar) return;
  Registrars().push_back(registrar);
}

void FillBuiltinType(PanelType& type, HINSTANCE instance, const char* typeName, UINT nameId,
                     UINT descriptionId, UINT imageId, UINT maskId, BuiltinCreateProc create) {
  type = PanelType{};
  lstrcpynA(type.typeName, typeName, sizeof type.typeName);
  if (!LoadStringA(instance, nameId, type.displayName, sizeof type.displayName))
    lstrcpynA(type.displayName, typeName, sizeof type.displayName);
  LoadStringA(instance, descriptionId, type.description, sizeof type.description);
  type.image = imageId ? LoadBitmapA(instance, MAKEINTRESOURCEA(imageId)) : nullptr;
  type.mask = maskId ? LoadBitmapA(instance, MAKEINTRESOURCEA(maskId)) : nullptr;
  type.builtIn = 1;
  type.builtinCreate = create;
}

void BuildPanelTypeList(HINSTANCE instance) {
  if (g_head) return;
  for (auto registrar : Registrars()) {
    PanelType* type = registrar(instance);
    if (type) Append(type);
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::MachineRoot(), kToolsKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    for (DWORD index = 0;; ++index) {
      char name[101] = {}, data[261] = {};
      DWORD nameLength = 100, dataLength = 260, valueType = 0;
      if (RegEnumValueA(key, index, name, &nameLength, nullptr, &valueType,
                        reinterpret_cast<BYTE*>(data), &dataLength) != ERROR_SUCCESS)
        break;
      data[dataLength < 260 ? dataLength : 260] = 0;
      if (!name[0] || !data[0]) continue;
      if (valueType != REG_SZ && valueType != REG_EXPAND_SZ) continue;
      LoadPluginLibrary(instance, data);
    }
    RegCloseKey(key);
  }
  int count = CountPanelTypes();
  g_images = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR24, count > 0 ? count : 1, 1);
  for (PanelType* t = g_head; t; t = t->next)
    if (t->image && g_images) t->imageIndex = ImageList_Add(g_images, t->image, t->mask);
}

void FreePanelTypeList() {
  while (g_head) {
    PanelType* type = g_head;
    g_head = type->next;
    if (type->image) DeleteObject(type->image);
    if (type->mask) DeleteObject(type->mask);
    type->image = type->mask = nullptr;
    if (!type->builtIn && type->terminateProc) type->terminateProc(0);
    if (type->builtIn && type->cleanup) type->cleanup();
    // Plug-in records stay, as their libraries do, until the process ends.
  }
  if (g_images) ImageList_Destroy(g_images);
  g_images = nullptr;
}

PanelType* FirstPanelType() { return g_head; }

PanelType* FindPanelType(const char* typeName) {
  if (!typeName) return nullptr;
  for (PanelType* t = g_head; t; t = t->next)
    if (lstrcmpiA(t->typeName, typeName) == 0) return t;
  return nullptr;
}

HIMAGELIST PanelTypeImageList() { return g_images; }

int CountPanelTypes() {
  int n = 0;
  for (PanelType* t = g_head; t; t = t->next) ++n;
  return n;
}

HWND CreatePanelOfType(const PanelType& type, HWND parent, const RECT* rect, const void* blob,
                       int blobSize) {
  RECT empty{};
  if (!rect) rect = &empty;
  if (blobSize <= 0) blob = nullptr;
  if (type.builtIn) return type.builtinCreate ? type.builtinCreate(parent, rect, blob, blobSize) : nullptr;
  return type.createProc ? type.createProc(parent, rect, blob, blobSize, 0) : nullptr;
}

void StripAmpersands(char* label) {
  if (!label) return;
  char* out = label;
  for (char* in = label; *in; ++in)
    if (*in != '&') *out++ = *in;
  *out = 0;
}

}  // namespace jqbar
