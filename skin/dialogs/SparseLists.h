// Sparse storage of the string grid: a pointer array with a two-level
// directory, a list with insert, delete and move on top of it, and a string
// list whose items live in such a list. Large tables with few filled cells
// use memory only for the sections that hold items.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/StringList.h"

// Section size of a sparse array: 16 pointers (small) or 256 (large).
enum TSPAQuantum { SPASmall, SPALarge };

// Receives (index, item); a non-zero result stops the walk.
using TSPAApply = std::function<int(int index, void* item)>;

class TSparsePointerArray {
public:
  explicit TSparsePointerArray(TSPAQuantum quantum);
  ~TSparsePointerArray();
  TSparsePointerArray(const TSparsePointerArray&) = delete;
  TSparsePointerArray& operator=(const TSparsePointerArray&) = delete;

  void* GetAt(int index);
  // Writing nil where nothing is stored allocates nothing. An index outside
  // 0 .. MaxIndex() raises the list error instead of landing in another
  // section.
  void PutAt(int index, void* item);
  int ForAll(const TSPAApply& apply) const;
  void ResetHighBound();

  int HighBound() const { return FHighBound; }
  int SectionSize() const { return FSectionSize; }
  // The highest index the 16-bit section numbers can address.
  int MaxIndex() const { return 65535 * FSectionSize - 1; }
  // Test view: whether section `s` has been allocated.
  bool SectionAllocated(int s) const;
  int SectionsAllocated() const;

private:
  void** MakeAt(int index);

  std::vector<void**> secDir;  // slotsInDir entries
  uint16_t indexMask, secShift, FSectionSize;
  int FHighBound = -1;
  int cachedIndex = -1;
  void* cachedPointer = nullptr;
};

class TSparseList {
public:
  explicit TSparseList(TSPAQuantum quantum);
  ~TSparseList();
  TSparseList(const TSparseList&) = delete;
  TSparseList& operator=(const TSparseList&) = delete;

  void Clear();
  void* GetItem(int index);
  void PutItem(int index, void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  int ForAll(const TSPAApply& apply) const { return FList->ForAll(apply); }
  int Count() const { return FCount; }
  const TSparsePointerArray& Array() const { return *FList; }

private:
  TSparsePointerArray* FList;
  int FCount = 0;
  TSPAQuantum FQuantum;
};

// A string list of sparse items: absent items read as the empty string
// with no object.
class TStringSparseList : public TStrings {
public:
  explicit TStringSparseList(TSPAQuantum quantum);
  ~TStringSparseList() override;
  TStringSparseList(const TStringSparseList&) = delete;
  TStringSparseList& operator=(const TStringSparseList&) = delete;

  int Count() const override { return FList->Count(); }
  const std::string& Get(int index) const override;
  void Put(int index, const std::string& s) override;
  TObject* Objects(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Exchange(int index1, int index2) override;
  void Clear() override;
  const TSparseList& List() const { return *FList; }

  // The "List" form: the number of present items, then index and text of
  // each present item in index order. Reading takes the same order.
  void WriteData(TStream* stream) const;
  void ReadData(TStream* stream);

  TNotifyEvent OnChange;

private:
  struct TStrItem {
    TObject* FObject;
    std::string FString;
  };
  void Changed();
  TStrItem* Item(int index) const;
  TSparseList* FList;
};
