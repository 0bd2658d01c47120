// Building forms in code: a control made, owned, named, parented and placed
// in one step, and pictures the form can't do without.
#pragma once

#include <windows.h>

#include "classlib/controls.h"
#include "classlib/exceptions.h"
#include "classlib/graphics.h"

template <class T>
T& Place(TComponent& owner, TWinControl& parent, const char* name, int left, int top, int width, int height)
{
    T& control = owner.Own<T>();
    control.SetName(name);
    control.SetParent(&parent);
    control.SetBounds(left, top, width, height);
    return control;
}

template <class T>
T& Place(TWinControl& form, const char* name, int left, int top, int width, int height)
{
    return Place<T>(form, form, name, left, top, width, height);
}

// A bitmap resource of `module`; raises EResNotFound when it is missing.
inline TBitmap RequiredPicture(HMODULE module, const char* name)
{
    TBitmap picture;
    if (!picture.LoadFromResourceName(module, name))
        throw EResNotFound(String("Resource ") + name + " not found");
    return picture;
}
