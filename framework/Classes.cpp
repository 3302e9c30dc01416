#include "framework/Classes.h"

#include <algorithm>
#include <cctype>
#include <typeinfo>

void TPersistent::Assign(const TPersistent* source) {
  throw Exception("Cannot assign a " + std::string(source ? typeid(*source).name() : "nil") +
                  " to a " + typeid(*this).name());
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  FComponentState |= csDestroying;
  // Tell everyone who holds a reference to us, then forget them.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    other->RemoveFreeNote(this);
    other->Notify(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    // The child removes itself from our list in its destructor.
    delete c;
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) throw Exception("Component index out of bounds");
  return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents) {
    const std::string& n = c->FName;
    if (n.size() == name.size() &&
        std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        }))
      return c;
  }
  return nullptr;
}

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (FOwner && !name.empty()) {
    TComponent* other = FOwner->FindComponent(name);
    if (other && other != this) throw Exception("A component named " + name + " already exists");
  }
  FName = name;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->FOwner == this) return;
  if (component->FOwner) component->FOwner->RemoveComponent(component);
  Insert(component);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->FOwner != this) return;
  Notify(component, opRemove);
  Remove(component);
}

void TComponent::Insert(TComponent* component) {
  FComponents.push_back(component);
  component->FOwner = this;
}

void TComponent::Remove(TComponent* component) {
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it != FComponents.end()) FComponents.erase(it);
  component->FOwner = nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  AddFreeNote(component);
  component->AddFreeNote(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  RemoveFreeNote(component);
  component->RemoveFreeNote(this);
}

void TComponent::AddFreeNote(TComponent* component) {
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
    FFreeNotifies.push_back(component);
}

void TComponent::RemoveFreeNote(TComponent* component) {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component);
  if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::Loaded() { FComponentState &= ~(csLoading | csReading); }

void TComponent::Notification(TComponent* component, TOperation operation) {
  // Owned components hear about each other, as references between siblings
  // are the common case on a form.
  if (operation == opRemove && component) {
    for (TComponent* c : FComponents)
      if (c != component) c->Notify(component, operation);
  }
}

void TComponent::Notify(TComponent* component, TOperation operation) {
  Notification(component, operation);
  if (operation != opRemove) return;
  for (TComponentRefBase* ref : FRefs)
    if (ref->FValue == component) ref->FValue = nullptr;
}

TComponentRefBase::TComponentRefBase(TComponent* holder) : FHolder(holder) { holder->FRefs.push_back(this); }

TComponentRefBase::~TComponentRefBase() {
  Assign(nullptr);
  auto& refs = FHolder->FRefs;
  refs.erase(std::find(refs.begin(), refs.end(), this));
}

void TComponentRefBase::Assign(TComponent* value) {
  TComponent* old = FValue;
  FValue = value;
  if (old) {
    // The link serves both ways: it stays while another reference of the
    // holder, or one of the old component to the holder, still uses it.
    bool used = false;
    for (TComponentRefBase* ref : FHolder->FRefs) used = used || ref->FValue == old;
    for (TComponentRefBase* ref : old->FRefs) used = used || ref->FValue == FHolder;
    if (!used) old->RemoveFreeNotification(FHolder);
  }
  if (value) value->FreeNotification(FHolder);
}
