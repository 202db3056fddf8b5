// The one point where a skinned control of this folder joins message handling.
// The control derives from TsSkinnedControl<its class-library base> and
// overrides SkinMessage; every message its Dispatch receives is offered there
// first. True means the skin answered it and the base class never sees it;
// otherwise the base class handles it and then AfterSkinMessage runs.
#pragma once
#include "classlib/Controls.h"

template <class Base>
class TsSkinnedControl : public Base {
public:
    using Base::Base;

    void Dispatch(TMessage& message) override
    {
        if (SkinMessage(message))
            return;
        Base::Dispatch(message);
        AfterSkinMessage(message);
    }

protected:
    virtual bool SkinMessage(TMessage&) { return false; }
    virtual void AfterSkinMessage(TMessage&) {}
};
