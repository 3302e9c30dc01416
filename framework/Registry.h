// Settings in the registry, under HKEY_CURRENT_USER unless told otherwise.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Classes.h"

struct HKEY__;

class ERegistryException : public Exception {
public:
  explicit ERegistryException(const std::string& message) : Exception(message) {}
};

class TRegistry : public TObject {
public:
  TRegistry();
  ~TRegistry() override;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY__* RootKey() const { return FRootKey; }
  void SetRootKey(HKEY__* root);
  HKEY__* CurrentKey() const { return FCurrentKey; }
  const std::string& CurrentPath() const { return FCurrentPath; }

  // Opens a key relative to the root (a leading '\' is allowed); with
  // canCreate the missing keys are made. False when it cannot be opened.
  bool OpenKey(const std::string& key, bool canCreate);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool KeyExists(const std::string& key);
  bool DeleteKey(const std::string& key);

  bool ValueExists(const std::string& name) const;
  bool DeleteValue(const std::string& name);

  // Reads raise ERegistryException when the value is missing or has
  // another type (REG_DWORD for integers and Booleans, REG_SZ or
  // REG_EXPAND_SZ for strings).
  int ReadInteger(const std::string& name) const;
  std::string ReadString(const std::string& name) const;
  bool ReadBool(const std::string& name) const;
  void WriteInteger(const std::string& name, int value);
  void WriteString(const std::string& name, const std::string& value);
  void WriteBool(const std::string& name, bool value);

private:
  void CheckOpen() const;
  HKEY__* FRootKey;
  HKEY__* FCurrentKey = nullptr;
  std::string FCurrentPath;
};
