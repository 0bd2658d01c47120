#include "ui/control_translation.h"

#include <memory>
#include <vector>

#include "classlib/application.h"

namespace {

class TControlEntry : public TTranslatableControl {
public:
    explicit TControlEntry(TControl& control) : control_(control)
    {
        if (auto* windowed = dynamic_cast<TWinControl*>(&control))
            for (int i = 0; i < windowed->ControlCount(); ++i)
                children_.push_back(std::make_unique<TControlEntry>(*windowed->Controls(i)));
    }

    String ControlName() const override { return control_.Name(); }
    String OwnerPrefixName() const override
    {
        const TComponent* owner = control_.Owner();
        if (!owner || owner == &TApplication::Instance())
            return String();
        return owner->Name();
    }
    bool HasTextProperty(const String& property) const override { return control_.PublishesTextProperty(property); }
    void SetTextProperty(const String& property, const String& value) override
    {
        control_.SetTextProperty(property, value);
    }
    int TabCount() const override { return control_.TabCount(); }
    void SetTabCaption(int index, const String& caption) override { control_.SetTabCaption(index, caption); }
    int ChildCount() const override { return static_cast<int>(children_.size()); }
    TTranslatableControl* Child(int index) override { return children_[static_cast<size_t>(index)].get(); }

private:
    TControl& control_;
    std::vector<std::unique_ptr<TControlEntry>> children_;
};

}  // namespace

void TranslateControls(const TInterfaceTranslator& translator, TControl& form)
{
    TControlEntry root(form);
    translator.TranslateForm(root);
}
