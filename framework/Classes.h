// Components with owners: the object model that every form, control and
// media component of the program builds on.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/SysUtils.h"

class TObject {
public:
  virtual ~TObject() = default;
};

class TPersistent : public TObject {
public:
  // Copies what the two objects have in common; classes that support it
  // override this. The default refuses, as copying nothing would lose data.
  virtual void Assign(const TPersistent* source);
};

using TNotifyEvent = std::function<void(TObject* sender)>;

enum TOperation { opInsert, opRemove };

class TComponent;

// The untyped part of TComponentRef: the holder and what it refers to.
class TComponentRefBase {
public:
  TComponentRefBase(const TComponentRefBase&) = delete;
  TComponentRefBase& operator=(const TComponentRefBase&) = delete;

protected:
  explicit TComponentRefBase(TComponent* holder);
  ~TComponentRefBase();
  void Assign(TComponent* value);
  TComponent* FValue = nullptr;

private:
  friend class TComponent;
  TComponent* FHolder;
};

// A member of `holder` that refers to another component and empties itself
// when that component goes away. The holder's Notification still hears of
// the removal first, with the reference not yet cleared, so it can undo what
// it had made of the component.
template <class T>
class TComponentRef : public TComponentRefBase {
public:
  explicit TComponentRef(TComponent* holder) : TComponentRefBase(holder) {}
  T* Get() const { return static_cast<T*>(FValue); }
  operator T*() const { return Get(); }
  T* operator->() const { return Get(); }
  // False when `value` is already held.
  bool Set(T* value) {
    if (value == Get()) return false;
    Assign(value);
    return true;
  }
};

enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csDestroying = 1u << 2,
  csDesigning = 1u << 3,  // never set in this program
};

// A component is freed by its owner; freeing the owner frees every owned
// component, newest first. Components that hold references to others ask
// for removal notifications with FreeNotification.
class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const;
  int ComponentIndex() const;
  TComponent* FindComponent(const std::string& name) const;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  intptr_t Tag = 0;

  unsigned ComponentState() const { return FComponentState; }
  bool Destroying() const { return (FComponentState & csDestroying) != 0; }

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  // After this, `this` gets Notification(component, opRemove) when
  // `component` goes away (and the other way round).
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Form building: BeginLoading before the properties are set, Loaded after.
  void BeginLoading() { FComponentState |= csLoading | csReading; }
  virtual void Loaded();

protected:
  virtual void Notification(TComponent* component, TOperation operation);
  // The first step of going away, taken by a class whose destructor still
  // has work to do with the object whole (a form destroying its window).
  void MarkDestroying() { FComponentState |= csDestroying; }

private:
  friend class TComponentRefBase;
  // Notification, then the references to a removed component are cleared.
  void Notify(TComponent* component, TOperation operation);
  void DestroyComponents();
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void AddFreeNote(TComponent* component);
  void RemoveFreeNote(TComponent* component);

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  std::vector<TComponentRefBase*> FRefs;
  std::string FName;
  unsigned FComponentState = 0;
};
