#include "classlib/component.h"

#include <gtest/gtest.h>

namespace {

// Records its destruction in a shared log.
class TLogged : public TComponent {
public:
    TLogged(TComponent* owner, String name, std::vector<String>* log) : TComponent(owner), log_(log)
    {
        SetName(std::move(name));
    }
    ~TLogged() override
    {
        DestroyComponents();  // its components go while it is still whole
        log_->push_back(Name());
    }

private:
    std::vector<String>* log_;
};

}  // namespace

TEST(Component, OwnersFindAndDestroyWhatTheyOwn)
{
    std::vector<String> log;
    {
        TLogged form(nullptr, "fmMain", &log);
        TLogged& frame = form.Own<TLogged>("frameLog", &log);
        TLogged& label = frame.Own<TLogged>("lblTitle", &log);
        form.Own<TLogged>("btnOk", &log);
        EXPECT_EQ(form.ComponentCount(), 2);
        EXPECT_EQ(form.FindComponent("BTNOK")->Name(), "btnOk");
        EXPECT_EQ(form.FindComponent("lblTitle"), nullptr);  // owned by the frame, not the form
        EXPECT_EQ(frame.FindComponent("lblTitle"), &label);
        EXPECT_EQ(label.Owner(), &frame);
        EXPECT_EQ(form.Components(5), nullptr);
        EXPECT_EQ(form.FindComponent(""), nullptr);
    }
    // The last made goes first; a frame takes its own components with it.
    EXPECT_EQ(log, (std::vector<String>{"btnOk", "lblTitle", "frameLog", "fmMain"}));
}

TEST(Component, AComponentKeptElsewhereLeavesItsOwnersListAndOutlivesIt)
{
    std::vector<String> log;
    auto form = std::make_unique<TLogged>(nullptr, "fmMain", &log);
    {
        TLogged dialog(form.get(), "fmDialog", &log);
        EXPECT_EQ(form->ComponentCount(), 1);
    }
    EXPECT_EQ(form->ComponentCount(), 0);
    auto kept = std::make_unique<TLogged>(form.get(), "kept", &log);
    form.reset();
    EXPECT_EQ(kept->Owner(), nullptr);
    EXPECT_EQ(log, (std::vector<String>{"fmDialog", "fmMain"}));
}
