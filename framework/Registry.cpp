#include "framework/Registry.h"

#include <windows.h>

#include <vector>

#include "framework/WideText.h"

namespace {
std::u16string Wide(const std::string& s) { return UTF8ToUTF16(s); }

std::string Relative(const std::string& key) {
  std::string k = key;
  while (!k.empty() && k[0] == '\\') k.erase(0, 1);
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return k;
}
}  // namespace

TRegistry::TRegistry() : FRootKey(HKEY_CURRENT_USER) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY__* root) {
  CloseKey();
  FRootKey = root;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  HKEY opened = nullptr;
  std::u16string path = Wide(Relative(key));
  LONG r;
  if (canCreate)
    r = RegCreateKeyExW(FRootKey, W(path), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr);
  else
    r = RegOpenKeyExW(FRootKey, W(path), 0, KEY_ALL_ACCESS, &opened);
  if (r != ERROR_SUCCESS) return false;
  CloseKey();
  FCurrentKey = opened;
  FCurrentPath = Relative(key);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  HKEY opened = nullptr;
  std::u16string path = Wide(Relative(key));
  if (RegOpenKeyExW(FRootKey, W(path), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  CloseKey();
  FCurrentKey = opened;
  FCurrentPath = Relative(key);
  return true;
}

void TRegistry::CloseKey() {
  if (FCurrentKey) RegCloseKey(FCurrentKey);
  FCurrentKey = nullptr;
  FCurrentPath.clear();
}

bool TRegistry::KeyExists(const std::string& key) {
  HKEY opened = nullptr;
  std::u16string path = Wide(Relative(key));
  if (RegOpenKeyExW(FRootKey, W(path), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
  std::u16string path = Wide(Relative(key));
  if (path.empty()) return false;  // never the whole root
  LONG r = RegDeleteTreeW(FRootKey, W(path));
  RegDeleteKeyW(FRootKey, W(path));
  return r == ERROR_SUCCESS;
}

void TRegistry::CheckOpen() const {
  if (!FCurrentKey) throw ERegistryException("No registry key is open");
}

bool TRegistry::ValueExists(const std::string& name) const {
  if (!FCurrentKey) return false;
  std::u16string n = Wide(name);
  return RegQueryValueExW(FCurrentKey, W(n), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::string& name) {
  CheckOpen();
  std::u16string n = Wide(name);
  return RegDeleteValueW(FCurrentKey, W(n)) == ERROR_SUCCESS;
}

int TRegistry::ReadInteger(const std::string& name) const {
  CheckOpen();
  std::u16string n = Wide(name);
  DWORD type = 0, value = 0, size = sizeof value;
  LONG r = RegQueryValueExW(FCurrentKey, W(n), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA) throw ERegistryException("Invalid data type for '" + name + "'");
  if (r != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
    throw ERegistryException("Invalid data type for '" + name + "'");
  return static_cast<int>(value);
}

std::string TRegistry::ReadString(const std::string& name) const {
  CheckOpen();
  std::u16string n = Wide(name);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(FCurrentKey, W(n), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    throw ERegistryException("Invalid data type for '" + name + "'");
  // The stored size need not be even nor end in a NUL; read what is there.
  std::vector<char16_t> buffer((size + 1) / 2 + 1, u'\0');
  DWORD got = static_cast<DWORD>((buffer.size() - 1) * 2);
  LONG r = RegQueryValueExW(FCurrentKey, W(n), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
  if (r != ERROR_SUCCESS) throw ERegistryException("Cannot read the registry value '" + name + "'");
  size_t chars = got / 2;
  if (chars > buffer.size() - 1) chars = buffer.size() - 1;
  std::u16string text(buffer.data(), chars);
  size_t nul = text.find(u'\0');
  if (nul != std::u16string::npos) text.resize(nul);
  return UTF16ToUTF8(text);
}

bool TRegistry::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

void TRegistry::WriteInteger(const std::string& name, int value) {
  CheckOpen();
  std::u16string n = Wide(name);
  DWORD v = static_cast<DWORD>(value);
  if (RegSetValueExW(FCurrentKey, W(n), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  CheckOpen();
  std::u16string n = Wide(name), v = Wide(value);
  DWORD bytes = static_cast<DWORD>((v.size() + 1) * sizeof(char16_t));
  if (RegSetValueExW(FCurrentKey, W(n), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()), bytes) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
