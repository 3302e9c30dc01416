// Lists of strings with optional objects: TStrings and TStringList.
#pragma once

#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Streams.h"
#include "framework/readers/TextDecoding.h"

class EStringListError : public Exception {
public:
  explicit EStringListError(const std::string& message) : Exception(message) {}
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
public:
  virtual int Count() const = 0;
  virtual const std::string& Get(int index) const = 0;
  virtual void Put(int index, const std::string& s) = 0;
  virtual TObject* Objects(int index) const = 0;
  virtual void PutObject(int index, TObject* object) = 0;
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual int Add(const std::string& s);
  int AddObject(const std::string& s, TObject* object);
  virtual void InsertObject(int index, const std::string& s, TObject* object);
  void Append(const std::string& s) { Add(s); }
  void AddStrings(const TStrings* strings);
  virtual void Move(int curIndex, int newIndex);
  virtual void Exchange(int index1, int index2);
  virtual int IndexOf(const std::string& s) const;
  int IndexOfObject(const TObject* object) const;
  bool Contains(const std::string& s) const { return IndexOf(s) >= 0; }
  const std::string& operator[](int index) const { return Get(index); }

  void Assign(const TPersistent* source) override;
  void BeginUpdate();
  void EndUpdate();

  // name=value lines: the name is the text before the first NameValueSeparator.
  char NameValueSeparator = '=';
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  void SetValueFromIndex(int index, const std::string& value);
  int IndexOfName(const std::string& name) const;
  // "" when there is no such name.
  std::string Values(const std::string& name) const;
  // An empty value deletes the line, as for the framework's original.
  void SetValue(const std::string& name, const std::string& value);

  // CommaText: Delimiter ',' and QuoteChar '"'; items holding blanks,
  // delimiters or quotes are quoted, quotes doubled.
  std::string CommaText() const;
  void SetCommaText(const std::string& text);
  char Delimiter = ',';
  char QuoteChar = '"';
  // When true, only Delimiter separates items (blanks do not).
  bool StrictDelimiter = false;
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& text);

  // Lines joined with LineBreak, each followed by one (so "" for no lines).
  std::string LineBreak = "\r\n";
  std::string Text() const;
  // Splits at CR LF, LF or CR.
  void SetText(const std::string& text);

  // Comparison of whole strings and names; ASCII case folding when false.
  bool CaseSensitive = false;

  // Files: the encoding is detected by BOM, then UTF-8 validity, else the
  // ANSI code page. Saving uses DefaultEncoding (UTF-8 without BOM unless
  // WriteBOM).
  TTextEncoding DefaultEncoding = TTextEncoding::UTF8;
  bool WriteBOM = false;
  TTextEncoding LoadedEncoding() const { return FLoadedEncoding; }
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;
  void SaveToFile(const std::string& fileName, TTextEncoding encoding) const;
  void LoadFromStream(TStream* stream);
  void SaveToStream(TStream* stream) const;
  void SaveToStream(TStream* stream, TTextEncoding encoding) const;

protected:
  virtual void SetUpdateState(bool updating) {}
  int UpdateCount() const { return FUpdateCount; }
  int CompareStrings(const std::string& a, const std::string& b) const;
  void Error(const std::string& message, int index) const;

private:
  int FUpdateCount = 0;
  TTextEncoding FLoadedEncoding = TTextEncoding::UTF8;
};

class TStringList : public TStrings {
public:
  TStringList() = default;
  ~TStringList() override;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;

  int Count() const override { return static_cast<int>(FItems.size()); }
  const std::string& Get(int index) const override;
  void Put(int index, const std::string& s) override;
  TObject* Objects(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const std::string& s) override;
  int IndexOf(const std::string& s) const override;
  // Objects move with their strings (an owning list frees none of them).
  void Move(int curIndex, int newIndex) override;
  void Exchange(int index1, int index2) override;

  // A sorted list keeps its order on Add and refuses Insert/Put.
  bool Sorted() const { return FSorted; }
  void SetSorted(bool sorted);
  void Sort();
  // Index of s, or where it would go; true when found (sorted lists only).
  bool Find(const std::string& s, int& index) const;
  TDuplicates Duplicates = dupIgnore;
  void SetCaseSensitive(bool value);
  // The list deletes its objects on Delete, Clear and destruction.
  bool OwnsObjects = false;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  void SetUpdateState(bool updating) override;

private:
  struct TItem {
    std::string S;
    TObject* Object = nullptr;
  };
  void Changing();
  void Changed();
  void CheckIndex(int index, bool allowEnd = false) const;
  int AddSorted(const std::string& s, TObject* object);

  std::vector<TItem> FItems;
  bool FSorted = false;
};

// Text of the process's ANSI code page <-> UTF-8.
std::string AnsiToUTF8(const std::string& s);
std::string UTF8ToAnsi(const std::string& s);
