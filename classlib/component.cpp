#include "classlib/component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) : owner_(owner)
{
    if (owner_)
        owner_->components_.push_back(this);
}

TComponent::~TComponent()
{
    DestroyComponents();
    // Components that outlive us (made with us as owner, kept by someone
    // else) lose their owner.
    for (TComponent* component : components_)
        component->owner_ = nullptr;
    if (owner_) {
        auto& list = owner_->components_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TComponent::DestroyComponents()
{
    while (!owned_.empty())
        owned_.pop_back();
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        return nullptr;
    return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(const String& name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* component : components_)
        if (SameText(component->Name(), name))
            return component;
    return nullptr;
}

void TComponent::DefineProperties(TFiler&) {}
