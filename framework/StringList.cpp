#include "framework/StringList.h"

#include <windows.h>

#include <algorithm>

#include "framework/readers/IniText.h"

std::string AnsiToUTF8(const std::string& s) {
  if (s.empty()) return s;
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::u16string w(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), reinterpret_cast<LPWSTR>(&w[0]), n);
  return UTF16ToUTF8(w);
}

std::string UTF8ToAnsi(const std::string& s) {
  if (s.empty()) return s;
  std::u16string w = UTF8ToUTF16(s);
  int n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(w.data()), static_cast<int>(w.size()), nullptr,
                              0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(w.data()), static_cast<int>(w.size()), &out[0], n,
                      nullptr, nullptr);
  return out;
}

// ---- TStrings ----

int TStrings::Add(const std::string& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

// One change for the listeners, not two.
int TStrings::AddObject(const std::string& s, TObject* object) {
  BeginUpdate();
  int index = Add(s);
  PutObject(index, object);
  EndUpdate();
  return index;
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object) {
  BeginUpdate();
  Insert(index, s);
  PutObject(index, object);
  EndUpdate();
}

void TStrings::AddStrings(const TStrings* strings) {
  BeginUpdate();
  for (int i = 0; i < strings->Count(); ++i) AddObject(strings->Get(i), strings->Objects(i));
  EndUpdate();
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  BeginUpdate();
  std::string s = Get(curIndex);
  TObject* o = Objects(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, s, o);
  EndUpdate();
}

void TStrings::Exchange(int index1, int index2) {
  BeginUpdate();
  std::string s1 = Get(index1), s2 = Get(index2);
  TObject *o1 = Objects(index1), *o2 = Objects(index2);
  Put(index1, s2);
  PutObject(index1, o2);
  Put(index2, s1);
  PutObject(index2, o1);
  EndUpdate();
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const {
  if (CaseSensitive) return a.compare(b);
  return AsciiLower(a).compare(AsciiLower(b));
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (Objects(i) == object) return i;
  return -1;
}

void TStrings::Assign(const TPersistent* source) {
  auto* strings = dynamic_cast<const TStrings*>(source);
  if (!strings) {
    TPersistent::Assign(source);
    return;
  }
  if (strings == this) return;
  BeginUpdate();
  Clear();
  NameValueSeparator = strings->NameValueSeparator;
  Delimiter = strings->Delimiter;
  QuoteChar = strings->QuoteChar;
  StrictDelimiter = strings->StrictDelimiter;
  LineBreak = strings->LineBreak;
  AddStrings(strings);
  EndUpdate();
}

void TStrings::BeginUpdate() {
  if (FUpdateCount++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::Error(const std::string& message, int index) const {
  throw EStringListError(message + " (" + std::to_string(index) + ")");
}

std::string TStrings::Names(int index) const {
  const std::string& s = Get(index);
  size_t p = s.find(NameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int index) const {
  const std::string& s = Get(index);
  size_t p = s.find(NameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int index, const std::string& value) {
  if (index < 0) {
    Add(std::string(1, NameValueSeparator) + value);
    return;
  }
  Put(index, Names(index) + NameValueSeparator + value);
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = Get(i);
    size_t p = s.find(NameValueSeparator);
    if (p != std::string::npos && CompareStrings(s.substr(0, p), name) == 0) return i;
  }
  return -1;
}

std::string TStrings::Values(const std::string& name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
  int i = IndexOfName(name);
  if (!value.empty()) {
    if (i < 0)
      Add(name + NameValueSeparator + value);
    else
      Put(i, name + NameValueSeparator + value);
  } else if (i >= 0) {
    Delete(i);
  }
}

std::string TStrings::DelimitedText() const {
  int n = Count();
  if (n == 1 && Get(0).empty()) return std::string(2, QuoteChar);
  std::string out;
  for (int i = 0; i < n; ++i) {
    const std::string& s = Get(i);
    bool quote = false;
    for (char c : s) {
      if (c == QuoteChar || c == Delimiter || (!StrictDelimiter && static_cast<unsigned char>(c) <= ' ' && c != 0)) {
        quote = true;
        break;
      }
    }
    if (i) out += Delimiter;
    if (quote) {
      out += QuoteChar;
      for (char c : s) {
        out += c;
        if (c == QuoteChar) out += c;
      }
      out += QuoteChar;
    } else {
      out += s;
    }
  }
  return out;
}

void TStrings::SetDelimitedText(const std::string& text) {
  auto isBlank = [&](size_t p) {
    return !StrictDelimiter && p < text.size() && text[p] != 0 && static_cast<unsigned char>(text[p]) <= ' ';
  };
  BeginUpdate();
  Clear();
  size_t p = 0;
  while (isBlank(p)) ++p;
  while (p < text.size()) {
    std::string s;
    if (text[p] == QuoteChar) {
      ++p;
      while (p < text.size()) {
        if (text[p] == QuoteChar) {
          if (p + 1 < text.size() && text[p + 1] == QuoteChar) {
            s += QuoteChar;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        s += text[p++];
      }
    } else {
      size_t start = p;
      while (p < text.size() && text[p] != Delimiter &&
             (StrictDelimiter || static_cast<unsigned char>(text[p]) > ' '))
        ++p;
      s = text.substr(start, p - start);
    }
    Add(s);
    while (isBlank(p)) ++p;
    if (p < text.size() && text[p] == Delimiter) {
      if (p + 1 == text.size()) Add("");
      do {
        ++p;
      } while (isBlank(p));
    }
  }
  EndUpdate();
}

std::string TStrings::CommaText() const {
  TStrings* self = const_cast<TStrings*>(this);
  char d = Delimiter, q = QuoteChar;
  bool strict = StrictDelimiter;
  self->Delimiter = ',';
  self->QuoteChar = '"';
  self->StrictDelimiter = false;
  std::string r = DelimitedText();
  self->Delimiter = d;
  self->QuoteChar = q;
  self->StrictDelimiter = strict;
  return r;
}

void TStrings::SetCommaText(const std::string& text) {
  char d = Delimiter, q = QuoteChar;
  bool strict = StrictDelimiter;
  Delimiter = ',';
  QuoteChar = '"';
  StrictDelimiter = false;
  try {
    SetDelimitedText(text);
  } catch (...) {
    Delimiter = d;
    QuoteChar = q;
    StrictDelimiter = strict;
    throw;
  }
  Delimiter = d;
  QuoteChar = q;
  StrictDelimiter = strict;
}

std::string TStrings::Text() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) out += Get(i) + LineBreak;
  return out;
}

void TStrings::SetText(const std::string& text) {
  BeginUpdate();
  Clear();
  size_t p = 0;
  while (p < text.size()) {
    size_t end = text.find_first_of("\r\n", p);
    if (end == std::string::npos) {
      Add(text.substr(p));
      break;
    }
    Add(text.substr(p, end - p));
    p = end;
    if (text[p] == '\r') ++p;
    if (p < text.size() && text[p] == '\n' && (p == end || text[end] == '\r')) ++p;
  }
  EndUpdate();
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TStrings::SaveToFile(const std::string& fileName) const { SaveToFile(fileName, DefaultEncoding); }

void TStrings::SaveToFile(const std::string& fileName, TTextEncoding encoding) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file, encoding);
}

void TStrings::LoadFromStream(TStream* stream) {
  std::vector<uint8_t> bytes = stream->ReadRest();
  TTextEncoding detected;
  std::string text = DecodeText(bytes.data(), bytes.size(), &detected, AnsiToUTF8);
  FLoadedEncoding = detected;
  SetText(text);
}

void TStrings::SaveToStream(TStream* stream) const { SaveToStream(stream, DefaultEncoding); }

void TStrings::SaveToStream(TStream* stream, TTextEncoding encoding) const {
  std::string bytes = EncodeText(Text(), encoding, WriteBOM, UTF8ToAnsi);
  stream->WriteBuffer(bytes.data(), bytes.size());
}

// ---- TStringList ----

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (OwnsObjects)
    for (TItem& item : FItems) delete item.Object;
}

void TStringList::CheckIndex(int index, bool allowEnd) const {
  if (index < 0 || index > Count() || (!allowEnd && index == Count())) Error("List index out of bounds", index);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

const std::string& TStringList::Get(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].S;
}

void TStringList::Put(int index, const std::string& s) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(index);
  Changing();
  FItems[static_cast<size_t>(index)].S = s;
  Changed();
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].Object;
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  FItems[static_cast<size_t>(index)].Object = object;
  Changed();
}

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, TObject* object) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(index, true);
  Changing();
  FItems.insert(FItems.begin() + index, TItem{s, object});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  TObject* object = FItems[static_cast<size_t>(index)].Object;
  FItems.erase(FItems.begin() + index);
  if (OwnsObjects) delete object;
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  Changing();
  std::vector<TItem> items;
  items.swap(FItems);
  if (OwnsObjects)
    for (TItem& item : items) delete item.Object;
  Changed();
}

int TStringList::AddSorted(const std::string& s, TObject* object) {
  int index;
  if (Find(s, index)) {
    if (Duplicates == dupIgnore) return index;
    if (Duplicates == dupError) throw EStringListError("String list does not allow duplicates");
  }
  Changing();
  FItems.insert(FItems.begin() + index, TItem{s, object});
  Changed();
  return index;
}

int TStringList::Add(const std::string& s) {
  if (FSorted) return AddSorted(s, nullptr);
  int index = Count();
  InsertObject(index, s, nullptr);
  return index;
}

bool TStringList::Find(const std::string& s, int& index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = CompareStrings(FItems[static_cast<size_t>(mid)].S, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (Duplicates != dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

int TStringList::IndexOf(const std::string& s) const {
  if (!FSorted) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  Changing();
  TItem item = std::move(FItems[static_cast<size_t>(curIndex)]);
  FItems.erase(FItems.begin() + curIndex);
  FItems.insert(FItems.begin() + newIndex, std::move(item));
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(FItems[static_cast<size_t>(index1)], FItems[static_cast<size_t>(index2)]);
  Changed();
}

void TStringList::Sort() {
  Changing();
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const TItem& a, const TItem& b) { return CompareStrings(a.S, b.S) < 0; });
  Changed();
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == FSorted) return;
  if (sorted) Sort();
  FSorted = sorted;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == CaseSensitive) return;
  CaseSensitive = value;
  if (FSorted) Sort();
}
