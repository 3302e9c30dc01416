#include "skin/dialogs/SparseLists.h"

#include <algorithm>
#include <cstring>

namespace {

void ListError(const char* message) { throw EStringListError(message); }

}  // namespace

// ---------------------------------------------------------------------------
// TSparsePointerArray

TSparsePointerArray::TSparsePointerArray(TSPAQuantum quantum) {
  if (quantum == SPALarge) {
    FSectionSize = 256;
    indexMask = 255;
    secShift = 8;
  } else {
    FSectionSize = 16;
    indexMask = 15;
    secShift = 4;
  }
}

TSparsePointerArray::~TSparsePointerArray() {
  for (void** section : secDir) delete[] section;
}

void* TSparsePointerArray::GetAt(int index) {
  if (index == cachedIndex) return cachedPointer;
  void* item = nullptr;
  if (index >= 0) {
    size_t s = static_cast<size_t>(index) >> secShift;
    if (s < secDir.size() && secDir[s]) item = secDir[s][index & indexMask];
  }
  cachedIndex = index;
  cachedPointer = item;
  return item;
}

void** TSparsePointerArray::MakeAt(int index) {
  // Section numbers are 16-bit: a larger index would wrap into a section
  // that holds other items.
  if (index < 0 || index > MaxIndex()) ListError("SListIndexError");
  size_t s = static_cast<size_t>(index) >> secShift;
  if (s >= secDir.size()) secDir.resize(s + 1, nullptr);
  if (!secDir[s]) {
    secDir[s] = new void*[FSectionSize];
    std::fill(secDir[s], secDir[s] + FSectionSize, nullptr);
  }
  FHighBound = std::max(FHighBound, index);
  cachedIndex = -1;
  return &secDir[s][index & indexMask];
}

void TSparsePointerArray::PutAt(int index, void* item) {
  if (item || GetAt(index)) {
    *MakeAt(index) = item;
    if (!item) ResetHighBound();
  }
}

int TSparsePointerArray::ForAll(const TSPAApply& apply) const {
  int result = 0;
  for (size_t s = 0; s < secDir.size(); ++s) {
    void** section = secDir[s];
    if (!section) continue;
    for (int slot = 0; slot < FSectionSize; ++slot) {
      if (!section[slot]) continue;
      result = apply(static_cast<int>((s << secShift) + slot), section[slot]);
      if (result != 0) return result;
    }
  }
  return result;
}

void TSparsePointerArray::ResetHighBound() {
  int bound = -1;
  int old = FHighBound;
  ForAll([&](int index, void*) {
    if (index > old) return 1;
    bound = index;
    return 0;
  });
  FHighBound = bound;
}

bool TSparsePointerArray::SectionAllocated(int s) const {
  return s >= 0 && static_cast<size_t>(s) < secDir.size() && secDir[s] != nullptr;
}

int TSparsePointerArray::SectionsAllocated() const {
  return static_cast<int>(std::count_if(secDir.begin(), secDir.end(), [](void** p) { return p != nullptr; }));
}

// ---------------------------------------------------------------------------
// TSparseList

TSparseList::TSparseList(TSPAQuantum quantum) : FList(new TSparsePointerArray(quantum)), FQuantum(quantum) {}

TSparseList::~TSparseList() { delete FList; }

void TSparseList::Clear() {
  delete FList;
  FList = nullptr;
  FList = new TSparsePointerArray(FQuantum);
  FCount = 0;
}

void* TSparseList::GetItem(int index) {
  if (index < 0) ListError("ListIndexError");
  return FList->GetAt(index);
}

void TSparseList::PutItem(int index, void* item) {
  if (index < 0) ListError("SListIndexError");
  FList->PutAt(index, item);
  FCount = FList->HighBound() + 1;
}

void TSparseList::Insert(int index, void* item) {
  if (index < 0) ListError("SListIndexError");
  // Check the far end first, so a refused insert moves nothing.
  if (std::max(FCount, index) > FList->MaxIndex()) ListError("SListIndexError");
  for (int i = FCount - 1; i >= index; --i) FList->PutAt(i + 1, FList->GetAt(i));
  FList->PutAt(index, item);
  FCount = std::max(FCount, index) + 1;
}

void TSparseList::Delete(int index) {
  if (index < 0 || index >= FCount) return;
  for (int i = index + 1; i < FCount; ++i) FList->PutAt(i - 1, FList->GetAt(i));
  FList->PutAt(FCount - 1, nullptr);
  --FCount;
}

void TSparseList::Exchange(int index1, int index2) {
  void* a = GetItem(index1);
  void* b = GetItem(index2);
  PutItem(index1, b);
  PutItem(index2, a);
}

void TSparseList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  void* item = GetItem(curIndex);
  Delete(curIndex);
  Insert(newIndex, item);
}

// ---------------------------------------------------------------------------
// TStringSparseList

TStringSparseList::TStringSparseList(TSPAQuantum quantum) : FList(new TSparseList(quantum)) {}

TStringSparseList::~TStringSparseList() {
  if (FList) {
    Clear();
    delete FList;
  }
}

TStringSparseList::TStrItem* TStringSparseList::Item(int index) const {
  return static_cast<TStrItem*>(FList->GetItem(index));
}

const std::string& TStringSparseList::Get(int index) const {
  static const std::string empty;
  TStrItem* p = Item(index);
  return p ? p->FString : empty;
}

TObject* TStringSparseList::Objects(int index) const {
  TStrItem* p = Item(index);
  return p ? p->FObject : nullptr;
}

void TStringSparseList::Put(int index, const std::string& s) {
  TStrItem* old = Item(index);
  TObject* object = old ? old->FObject : nullptr;
  if (!s.empty() || object) {
    auto* item = new TStrItem{object, s};
    try {
      FList->PutItem(index, item);
    } catch (...) {
      delete item;
      throw;
    }
  } else {
    FList->PutItem(index, nullptr);
  }
  delete old;
  Changed();
}

void TStringSparseList::PutObject(int index, TObject* object) {
  TStrItem* p = Item(index);
  if (p) {
    p->FObject = object;
  } else if (object) {
    auto* item = new TStrItem{object, std::string()};
    try {
      FList->PutItem(index, item);
    } catch (...) {
      delete item;
      throw;
    }
  }
  Changed();
}

void TStringSparseList::Insert(int index, const std::string& s) {
  auto* item = new TStrItem{nullptr, s};
  try {
    FList->Insert(index, item);
  } catch (...) {
    delete item;
    throw;
  }
  Changed();
}

void TStringSparseList::Delete(int index) {
  if (index < 0 || index >= FList->Count()) return;
  delete Item(index);
  FList->Delete(index);
  Changed();
}

void TStringSparseList::Exchange(int index1, int index2) { FList->Exchange(index1, index2); }

void TStringSparseList::Clear() {
  FList->ForAll([](int, void* item) {
    delete static_cast<TStrItem*>(item);
    return 0;
  });
  FList->Clear();
  Changed();
}

void TStringSparseList::Changed() {
  if (OnChange) OnChange(this);
}

void TStringSparseList::WriteData(TStream* stream) const {
  int32_t count = 0;
  FList->ForAll([&](int, void*) {
    ++count;
    return 0;
  });
  stream->WriteBuffer(&count, sizeof(count));
  FList->ForAll([&](int index, void* item) {
    int32_t i = index;
    const std::string& s = static_cast<TStrItem*>(item)->FString;
    int32_t n = static_cast<int32_t>(s.size());
    stream->WriteBuffer(&i, sizeof(i));
    stream->WriteBuffer(&n, sizeof(n));
    if (n) stream->WriteBuffer(s.data(), s.size());
    return 0;
  });
}

void TStringSparseList::ReadData(TStream* stream) {
  int32_t count = 0;
  stream->ReadBuffer(&count, sizeof(count));
  if (count < 0) ListError("SListIndexError");
  for (int32_t k = 0; k < count; ++k) {
    int32_t index = 0, n = 0;
    stream->ReadBuffer(&index, sizeof(index));
    stream->ReadBuffer(&n, sizeof(n));
    if (n < 0 || n > (1 << 26)) ListError("SListIndexError");
    std::string s(static_cast<size_t>(n), '\0');
    if (n) stream->ReadBuffer(&s[0], s.size());
    Insert(index, s);
  }
}
