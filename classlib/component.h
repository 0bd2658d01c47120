// Components: a name, a tag, an owner, and the components they own. An
// owner knows every component made with it as owner (to find them by name);
// it destroys those it was given with Own when it is destroyed itself.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/sysutils.h"

class TFiler;

class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    virtual String ClassName() const { return "TComponent"; }
    TComponent* Owner() const { return owner_; }
    const String& Name() const { return name_; }
    void SetName(const String& name) { name_ = name; }
    std::int32_t Tag() const { return tag_; }
    void SetTag(std::int32_t tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    // The component of that name among those this one owns (letter case ignored).
    TComponent* FindComponent(const String& name) const;

    // Makes a component owned by this one: it lives as long as this one.
    template <class T, class... Args>
    T& Own(Args&&... args)
    {
        auto made = std::make_unique<T>(this, std::forward<Args>(args)...);
        T& component = *made;
        owned_.push_back(std::move(made));
        return component;
    }

    // Destroys the owned components, the last made first. The base
    // destructor does it too, after the derived destructors have run: a
    // class whose components use it while they go calls this first.
    void DestroyComponents();

    // Declares the component's stored properties to a reader or a writer.
    virtual void DefineProperties(TFiler& filer);

private:
    TComponent* owner_;
    String name_;
    std::int32_t tag_ = 0;
    std::vector<TComponent*> components_;              // made with this one as owner, in order
    std::vector<std::unique_ptr<TComponent>> owned_;  // those this one destroys
};
